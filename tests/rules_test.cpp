#include "artstup.h"
#include "background.h"
#include "bullet.h"
#include "menu.h"
#include "plane.h"
#include "session.h"

#include <SDL/SDL_ttf.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

// The rules a reader should see spelled out, one table each, on the real classes and a real
// screen. A session script answers rand() and the menu's polls: one press, then, if the menu is
// still open, the session's own nudge on start.
struct rules : testing::Test {
    SDL_Surface* screen = SDL_Init(SDL_INIT_VIDEO) ? nullptr : SDL_SetVideoMode(800, 600, 16, SDL_SWSURFACE);
    TTF_Font* font = TTF_Init() ? nullptr : TTF_OpenFont("pix/astronbo.ttf", 32);
    session::script s;
    SDL_Event event;
    background back{screen};
    plane p[5] = {{screen, 1, 'l', 5, 1, &back},
                  {screen, 1, 'l', 5, 2, &back},
                  {screen, 1, 'l', 5, 3, &back},
                  {screen, 1, 'l', 5, 4, &back},
                  {screen, 1, 'l', 5, 5, &back}};
    menu* m = (session::current = &s, new menu(screen, font, font, font, &event, &back));

    bool closedby(int x, int y) // runs the menu
    {
        s.queue = {{0, session::press(x, y)}}, s.next = 0, s.nudges = 0;
        m->run();
        return s.nudges == 0;
    }
    ~rules() { session::current = nullptr, delete m, TTF_CloseFont(font), TTF_Quit(), SDL_Quit(); }
};

TEST_F(rules, bullethits)
{
    bullet b(screen, 'l', &p[0], &p[1], &p[2], &p[3], &p[4], &back, nullptr);
    // Touching rectangles strike, one pixel of gap misses; only the plane of the band that holds the
    // row just above the bullet's top edge counts, and only while it flies.
    const struct {
        const char* what;
        int x, y, band, ty, flying, expstage, struck; // the plane of `band` stands at (400, ty), 56 by 22
    } hits[] = {
        {"touching above", 420, 184, 3, 190, 1, 0, 3}, {"gap above", 420, 183, 3, 190, 1, 0, 0},
        {"touching below", 420, 212, 3, 190, 1, 0, 3}, {"gap below", 420, 213, 3, 190, 1, 0, 0},
        {"touching left", 394, 200, 3, 190, 1, 0, 3},  {"gap left", 393, 200, 3, 190, 1, 0, 0},
        {"touching right", 456, 200, 3, 190, 1, 0, 3}, {"gap right", 457, 200, 3, 190, 1, 0, 0},
        {"exploding", 420, 200, 3, 190, 0, 3, 0},      {"down", 420, 200, 3, 190, 0, 0, 0},
        {"top in band 3", 420, 240, 2, 236, 1, 0, 0},  {"top in band 2", 420, 241, 2, 236, 1, 0, 2},
    };
    for (const auto& r : hits) {
        plane& t = p[r.band - 1];
        t.pos = {400, Sint16(r.ty), 56, 22}, t.flying = r.flying, t.expstage = r.expstage;
        b.pos = {Sint16(r.x), Sint16(r.y), 6, 6};
        const plane* struck = b.collide();
        EXPECT_EQ(r.struck, struck ? struck->height : 0) << r.what;
    }
}

// Planes fly leftwards at 5 from x 800 but for the one aimed at. Per row: the cannon, the band aimed at (-: none),
// whether the resting bullet was fired, srand() called, rand() called how often, the draw of 5 told.
TEST_F(rules, computerchoices)
{
    const struct {
        const char *what, *flying;       // flying: the bands whose plane flies
        char side, skill, dir;           // dir: of the plane aimed at
        int band, speed, tx, ty, bx, by; // the plane aimed at; the bullet, resting at (0, 0)
        std::vector<int> draws;          // rand()'s answers, as draws of 0 to 5
        const char* want;
    } rows[] = {
        {"nothing flies", "", 'l', 'i', 'r', 2, 5, 600, 270, 0, 0, {}, "m 2 fires seeds"},
        {"nothing flies", "", 'r', 's', 'r', 2, 5, 600, 270, 0, 0, {}, "m 2 fires"},
        {"the lowest flying plane", "35", 'r', 's', 'r', 1, 5, 600, 350, 0, 0, {}, "m 3 fires"},
        {"draws until one flies", "3", 'l', 'i', 'r', 1, 5, 600, 350, 0, 0, {0, 5, 4, 2}, "m 3 fires seeds 4 draws 5!"},
        {"a draw of 5 is band 5", "12345", 'r', 'i', 'r', 1, 5, 600, 350, 0, 0, {5}, "m 5 fires seeds 1 draws 5!"},
        {"dx 100, dy 50", "12345", 'l', 'i', 'r', 3, 5, 400, 200, 300, 250, {}, "m 3"},
        {"dx 101, dy 50", "12345", 'l', 'i', 'r', 3, 5, 401, 200, 300, 250, {}, "d 3"},
        {"dx 100, dy 50", "12345", 'r', 'i', 'l', 3, 5, 400, 200, 500, 250, {}, "u 3"},
        {"straight above, struck by the other side", "", 'l', 'i', 'r', 3, 5, 300, 190, 300, 250, {}, "u 3"},
        {"above the target, only 1 and 2 fly", "12", 'l', 's', 'l', 1, 5, 200, 350, 300, 300, {}, "u 1"},
        {"above the target: 4 before 3", "134", 'l', 's', 'l', 1, 5, 200, 350, 300, 300, {}, "u 4"},
        {"above the target: 3 the lowest it takes", "13", 'l', 's', 'l', 1, 5, 200, 350, 300, 300, {}, "u 3"},
        {"away at 10", "14", 'l', 's', 'r', 1, 10, 200, 350, 300, 400, {}, "u 1"},
        {"away at 11: retarget high", "14", 'l', 's', 'r', 1, 11, 200, 350, 300, 400, {}, "u 4"},
        {"away at 11: retarget high", "15", 'r', 's', 'l', 1, 11, 400, 350, 500, 400, {}, "u 5"},
        {"towards the tank at 11", "15", 'r', 's', 'r', 1, 11, 400, 350, 500, 400, {}, "u 1"},
        {"towards the tank, dy 80", "2", 'l', 's', 'l', 2, 5, 350, 301, 300, 381, {}, "d 2"},
        {"towards the tank, dy 81", "2", 'l', 's', 'l', 2, 5, 350, 301, 300, 382, {}, "u 2"},
        {"towards the tank, dy 80", "2", 'r', 's', 'r', 2, 5, 470, 301, 500, 381, {}, "m 2"},
        {"towards the tank, dy 81", "2", 'r', 's', 'r', 2, 5, 470, 301, 500, 382, {}, "u 2"},
        {"dx 101, dy 50", "12345", 'r', 'i', 'l', 3, 5, 399, 200, 500, 250, {}, "d 3"},
        {"level with it, straight ahead", "12345", 'l', 'i', 'r', 3, 5, 300, 190, 300, 190, {}, "m 3"},
        {"level with it, straight ahead", "12345", 'r', 'i', 'r', 3, 5, 500, 190, 500, 190, {}, "m 3"},
        {"level, away", "14", 'l', 's', 'r', 1, 5, 300, 350, 300, 350, {}, "m 1"},
        {"level, towards the tank", "14", 'l', 's', 'l', 1, 5, 300, 350, 300, 350, {}, "m 1"},
        {"level, away", "14", 'r', 's', 'l', 1, 5, 500, 350, 500, 350, {}, "m 1"},
        {"level, towards the tank", "14", 'r', 's', 'r', 1, 5, 500, 350, 500, 350, {}, "m 1"},
        {"away, ahead", "1", 'l', 's', 'r', 1, 5, 350, 350, 300, 400, {}, "d 1"},
        {"away, ahead", "1", 'r', 's', 'l', 1, 5, 400, 350, 500, 400, {}, "d 1"},
        {"towards the tank, behind", "1", 'r', 's', 'r', 1, 5, 600, 350, 500, 400, {}, "d 1"},
        {"towards the tank, far ahead", "1", 'r', 's', 'r', 1, 5, 300, 350, 500, 400, {}, "d 1"},
        {"just above the bullet", "5", 'l', 's', 'l', 5, 5, 300, 30, 300, 20, {}, "d 5"},
        {"a person fired it, nothing aimed at", "12345", 'l', 'i', 'r', 0, 5, 0, 0, 300, 400, {}, "m -"},
        {"a person fired it, nothing aimed at", "12345", 'r', 's', 'r', 0, 5, 0, 0, 500, 400, {}, "m -"},
    };
    for (const auto& r : rows) {
        for (int i = 0; i < 5; i++)
            p[i].flying = strchr(r.flying, '1' + i) != nullptr;
        plane& t = p[std::max(r.band, 1) - 1];
        t.dir = r.dir, t.speed = r.speed, t.pos.x = Sint16(r.tx), t.pos.y = Sint16(r.ty);
        bullet b(screen, r.side, &p[0], &p[1], &p[2], &p[3], &p[4], &back, nullptr);
        b.fired = r.by > 0, b.pos.x = Sint16(r.bx), b.pos.y = Sint16(r.by);
        artstup a(&p[0], &p[1], &p[2], &p[3], &p[4], &b);
        if (r.band > 0)
            a.target = &t;
        session::script rec;
        for (int k : r.draws)
            rec.rands.push_back(k < 5 ? 2 * k * 214748365 : 2147483647); // 2147483647 alone draws 10
        session::current = &rec;
        testing::internal::CaptureStdout();
        const char cannon = a.moveshot(r.side, r.skill);
        std::string got = {cannon, ' ', a.target ? char('0' + a.target->height) : '-'};
        const std::string out = testing::internal::GetCapturedStdout();
        session::current = &s;
        got += std::string(r.by == 0 && b.fired ? " fires" : "") + (rec.srands ? " seeds" : "");
        got += rec.randcalls ? " " + std::to_string(rec.randcalls) + " draws" : "";
        got += out == "random in artstup::moveshot reached 5\n" ? " 5!" : out;
        EXPECT_EQ(r.want, got) << r.what << " (side " << r.side << ", skill " << r.skill << ")";
    }
}

// Each opening starts with both sides the computer at "extrem idiotic", speed 25 and sound on, and
// gets one press. Per row: quit, speed, sound, reset, kinds and skills, and whether the menu closed,
// after a press one pixel inside an edge of the button; a press on the edge changes nothing.
TEST_F(rules, menubuttonsattheirborders)
{
    const struct {
        int button;
        const char* inside;
    } rows[] = {
        {session::start, "0 25 1 0 ccii closed"}, {session::quit, "1 25 1 0 ccii closed"},
        {session::reset, "0 25 1 1 ccii"},        {session::sound, "0 25 0 0 ccii"},
        {session::slower, "0 24 1 0 ccii"},       {session::faster, "0 26 1 0 ccii"},
        {session::leftkind, "0 25 1 0 hcii"},     {session::rightkind, "0 25 1 0 chii"},
        {session::leftskill, "0 25 1 0 ccsi"},    {session::rightskill, "0 25 1 0 ccis"},
    };
    ASSERT_TRUE(screen && font);
    const SDL_Rect panel = m->menurect;
    for (const auto& r : rows) {
        const SDL_Rect& b = session::buttons[r.button];
        const int x = panel.x + b.x, y = panel.y + b.y, mx = x + b.w / 2, my = y + b.h / 2;
        for (int in = 0; in < 2; in++)
            for (auto pt : {std::make_pair(x + in, my), {x + b.w - in, my}, {mx, y + in}, {mx, y + b.h - in}}) {
                m->quit = 0, m->gamespeed = 25, m->sound = 1;
                m->lefttype = m->righttype = 'c', m->leftskill = m->rightskill = 'i';
                const bool closed = closedby(pt.first, pt.second);
                char now[32];
                snprintf(now, sizeof now, "%d %d %d %d %c%c%c%c%s", m->quit, m->gamespeed, m->sound, m->resetscore,
                         m->lefttype, m->righttype, m->leftskill, m->rightskill, closed ? " closed" : "");
                EXPECT_EQ(in ? r.inside : "0 25 1 0 ccii", std::string(now)) << "at " << pt.first << "," << pt.second;
            }
    }
}

// The games-won tally at every opening: each side's true count and the colon, with no digit of an
// older text over a count.
TEST_F(rules, tallyateveryopening)
{
    ASSERT_TRUE(screen && font);
    const SDL_Color white = {255, 255, 255, 0};
    auto draw = [&](SDL_Surface* on, const char* text, int x, bool clean) {
        SDL_Surface* t = TTF_RenderText_Solid(font, text, white);
        SDL_Rect at = {Sint16(x), 40, Uint16(t->w), Uint16(t->h)};
        if (clean)
            SDL_BlitSurface(m->cleanpic, &at, on, &at);
        SDL_BlitSurface(t, nullptr, on, &at);
        SDL_FreeSurface(t);
    };
    for (char side : {'l', 'r'}) {
        delete m;
        m = new menu(screen, font, font, font, &event, &back);
        for (int wins = 1; wins <= 101; wins++) {
            if (wins != 100)
                m->addwin(side);
            if (wins != 4 && wins != 10 && wins != 16 && wins != 30 && wins < 99)
                continue;
            // the 100th opening has the reset button pressed, which shows both counts at 0; the next
            // win counts from there
            closedby(wins != 100 ? 0 : 150 + 50, wins != 100 ? 0 : 100 + 250);
            const int shown = wins % 100;
            // both tally texts, then the count over its own area
            SDL_Surface* want = SDL_ConvertSurface(m->cleanpic, m->cleanpic->format, SDL_SWSURFACE);
            draw(want, "0          :", 191, false);
            draw(want, "0", 336, false);
            const char count[4] = {char('0' + shown / 10), char('0' + shown % 10), ' ', 0};
            if (shown > 0)
                draw(want, count, side == 'l' ? 191 : 336, true);
            for (int y = 21; y < 81; y++)
                for (int x = 166; x < 386; x++)
                    ASSERT_EQ(pixel(want, x, y), pixel(m->menupic, x, y))
                        << side << " side, " << wins << " wins: panel pixel (" << x << "," << y << ")";
            SDL_FreeSurface(want);
        }
    }
}

// The panel picture's size at each border: a panel its buttons would not fit in is refused, with
// its size on stdout.
TEST_F(rules, panelsizes)
{
    const struct {
        int w, h;
        const char* want;
    } rows[] = {
        {498, 401, "refused"}, {499, 400, "refused"}, {801, 401, "refused"}, {499, 401, "at 151"}, {800, 401, "at 0"},
    };
    char home[4096], dir[] = "/tmp/zevopanelXXXXXX";
    ASSERT_TRUE(getcwd(home, sizeof home) && mkdtemp(dir) && chdir(dir) == 0 && mkdir("pix", 0700) == 0);
    for (const auto& r : rows) {
        SDL_Surface* pic = SDL_CreateRGBSurface(SDL_SWSURFACE, r.w, r.h, 24, 0xff, 0xff00, 0xff0000, 0);
        SDL_SaveBMP(pic, "pix/menu.png"); // read by its content, whatever its name
        SDL_FreeSurface(pic);
        testing::internal::CaptureStdout();
        menu panel(screen, font, font, font, &event, &back);
        std::string got = testing::internal::GetCapturedStdout();
        if (panel.loaded)
            got += "at " + std::to_string(panel.menurect.x);
        else if (got == "pix/menu.png is " + std::to_string(r.w) + "x" + std::to_string(r.h) +
                            " pixels: the panel must be 499 to 800 pixels wide and at least 401 high\n")
            got = "refused";
        EXPECT_EQ(r.want, got) << r.w << "x" << r.h;
    }
    unlink("pix/menu.png");
    rmdir("pix");
    EXPECT_EQ(0, chdir(home));
    rmdir(dir);
}

// A plane slides across an edge speed pixels a frame, whatever its width: this one, 56 wide at 5,
// leaves the right edge and comes in at the left, whole at x 4. Relaunched leftwards, it leaves by
// the left edge; struck mid-crossing and relaunched, it starts afresh at the right.
TEST_F(rules, planeedges)
{
    plane q(screen, 3, 'r', 5, 2, &back);
    q.pos.x = 790;
    std::string got;
    for (int frame = 0; frame < 16; frame++) {
        q.move();
        got += std::to_string(q.pos.x) + "," + std::to_string(q.pos.w) + " ";
    }
    q.reset(1, 'l', 10);
    for (int frame = 0; frame < 84; frame++) {
        q.move();
        if (frame % 20 == 0 || frame > 78)
            got += std::to_string(q.pos.x) + "," + std::to_string(q.pos.w) + " ";
    }
    q.reset(1, 'l', 10);
    q.move();
    got += std::to_string(q.pos.x);
    EXPECT_EQ("795,5 800,0 0,5 0,10 0,15 0,20 0,25 0,30 0,35 0,40 0,45 0,50 0,55 4,56 9,56 14,56 "
              "790,10 590,60 390,60 190,60 0,60 0,50 0,40 0,30 0,20 790",
              got);
}
