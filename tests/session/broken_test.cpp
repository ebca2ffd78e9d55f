#include "session/session.h"

#include "bullet.h"
#include "menu.h"
#include "plane.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Sessions of the real main in a private copy of pix/ and sound/ with one file damaged. Each runs
// in a child process with an alarm, so that a hang or a crash shows as a failure of that one case.

namespace fs = std::filesystem;

namespace {

const std::vector<std::string> tankpics = {"lefttankup.png",  "lefttankmiddle.png",  "lefttankdown.png",
                                           "righttankup.png", "righttankmiddle.png", "righttankdown.png"};
const std::vector<std::string> planepics = {"p1r.png", "p1l.png", "p2r.png", "p2l.png", "p3r.png", "p3l.png"};
const std::vector<std::string> exppics = {"exp1.png", "exp2.png", "exp3.png", "exp4.png"};
const std::vector<std::string> bulletpics = {"leftbullet.png", "rightbullet.png"};
const std::vector<std::string> soundfiles = {"planes.wav", "shot.wav", "explosion.wav", "applause.wav"};

// Pictures of odd sizes, made once per process with PIL (RGB, no alpha, not black: black is transparent).
const fs::path& oddpictures()
{
    static fs::path dir;
    static pid_t owner;
    if (dir.empty()) {
        owner = getpid();
        char name[] = "/tmp/zevoodd.XXXXXX";
        dir = mkdtemp(name);
        const std::string cmd =
            "/usr/bin/python3 -c \"import sys; from PIL import Image\n"
            "for w, h in ((1, 1), (2000, 2000), (10, 10)):\n"
            "    Image.new('RGB', (w, h), (200, 60, 40)).save('%s/%dx%d.png' % (sys.argv[1], w, h))\" " +
            dir.string();
        if (std::system(cmd.c_str()) != 0)
            ADD_FAILURE() << "could not make the odd pictures: " << cmd;
        // the cases' child processes exit too; only the maker cleans up
        std::atexit([] {
            if (getpid() == owner)
                fs::remove_all(dir);
        });
    }
    return dir;
}

enum damage { missing, empty, truncated, garbage, tiny, huge, small };
const char* const damagenames[] = {"missing", "empty",     "truncated", "not a picture or sound",
                                   "1x1",     "2000x2000", "10x10"};

// A copy of the data directories with one file damaged; gone with the object.
struct datacopy {
    fs::path dir;
    std::string label;

    datacopy(const std::string& file, damage how, const std::string& caselabel)
        : label(caselabel.empty() ? file + " " + damagenames[how] : caselabel)
    {
        char name[] = "/tmp/zevobroken.XXXXXX";
        dir = mkdtemp(name);
        fs::copy("pix", dir / "pix");
        fs::copy("sound", dir / "sound");
        if (file.empty())
            return;
        const fs::path path = dir / file;
        const auto size = fs::file_size(path);
        switch (how) {
        case missing:
            fs::remove(path);
            break;
        case empty:
            fs::resize_file(path, 0);
            break;
        case truncated:
            fs::resize_file(path, size / 2);
            break;
        case garbage:
            std::ofstream(path, std::ios::trunc) << "this is just text, in a file with the wrong name\n";
            break;
        case tiny:
            fs::copy_file(oddpictures() / "1x1.png", path, fs::copy_options::overwrite_existing);
            break;
        case huge:
            fs::copy_file(oddpictures() / "2000x2000.png", path, fs::copy_options::overwrite_existing);
            break;
        case small:
            fs::copy_file(oddpictures() / "10x10.png", path, fs::copy_options::overwrite_existing);
            break;
        }
    }
    ~datacopy() { fs::remove_all(dir); }
};

// One case: the body runs in a child process with the copy as its working directory. The child's
// failed checks come back through a pipe and are reported here under the case's label.
struct isolated {
    isolated(const std::string& file, damage how, std::function<void()> body, const std::string& label = "")
        : data(std::make_unique<datacopy>(file, how, label)), body(std::move(body))
    {
    }

    std::unique_ptr<datacopy> data;
    std::function<void()> body;
    pid_t pid = -1;
    int pipefd = -1;
};

constexpr int alarmseconds = 20;

void launch(isolated& c)
{
    int fds[2];
    ASSERT_EQ(0, pipe(fds));
    std::fflush(stdout);
    std::fflush(stderr);
    c.pid = fork();
    ASSERT_NE(-1, c.pid);
    if (c.pid == 0) {
        close(fds[0]);
        alarm(alarmseconds);
        std::string failures;
        {
            testing::TestPartResultArray results;
            testing::ScopedFakeTestPartResultReporter catcher(
                testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &results);
            if (chdir(c.data->dir.c_str()) != 0)
                ADD_FAILURE() << "no such directory: " << c.data->dir;
            else
                c.body();
            for (int i = 0; i < results.size(); i++) {
                const testing::TestPartResult& r = results.GetTestPartResult(i);
                if (r.failed())
                    failures += std::string(r.file_name() ? r.file_name() : "") + ":" +
                                std::to_string(r.line_number()) + ": " + r.message() + "\n";
            }
        }
        if (!failures.empty() && write(fds[1], failures.data(), failures.size()) < 0)
            failures += "(lost)";
        close(fds[1]);
        std::fflush(stdout);
        // exit, not _exit: LeakSanitizer's check runs at exit
        std::exit(failures.empty() ? 0 : 2);
    }
    close(fds[1]);
    c.pipefd = fds[0];
}

void collect(isolated& c)
{
    std::string failures;
    char buf[4096];
    ssize_t n;
    while ((n = read(c.pipefd, buf, sizeof buf)) > 0)
        failures.append(buf, static_cast<size_t>(n));
    close(c.pipefd);
    int status = 0;
    waitpid(c.pid, &status, 0);
    const std::string& label = c.data->label;
    if (WIFSIGNALED(status)) {
        if (WTERMSIG(status) == SIGALRM)
            ADD_FAILURE() << label << ": no end within " << alarmseconds << " s (hangs)";
        else
            ADD_FAILURE() << label << ": killed by signal " << WTERMSIG(status) << " (" << strsignal(WTERMSIG(status))
                          << ")";
    } else if (WEXITSTATUS(status) == 2) {
        ADD_FAILURE() << label << ":\n" << failures;
    } else if (WEXITSTATUS(status) != 0) {
        ADD_FAILURE() << label << ": ended with status " << WEXITSTATUS(status) << " (a sanitizer report on stderr?)\n"
                      << failures;
    }
}

// Runs the cases, a few at a time.
void runall(std::vector<isolated>& cases)
{
    const size_t parallel = 4;
    for (size_t first = 0; first < cases.size(); first += parallel) {
        const size_t last = std::min(cases.size(), first + parallel);
        for (size_t i = first; i < last; i++)
            launch(cases[i]);
        for (size_t i = first; i < last; i++)
            if (cases[i].pid > 0)
                collect(cases[i]);
    }
}

// Both sides played by the computer: the two kind buttons, then start, clicked where the menu
// has put its panel.
void autoplay(session::script& s, int frames)
{
    s.frames = frames;
    s.onflip = [&s, clicked = false](const zevostate& st, int) mutable {
        if (clicked)
            return;
        clicked = true;
        const SDL_Rect& panel = st.panel->menurect;
        s.click(0, panel.x + 160, panel.y + 111);
        s.click(0, panel.x + 409, panel.y + 111);
        s.click(0, panel.x + 357, panel.y + 372);
    };
}

// What must hold after every frame, whatever the data files are like.
void watchrules(session::script& s)
{
    s.onframe = [](const zevostate& st, int f) {
        EXPECT_TRUE(*st.leftpoints >= 0 && *st.leftpoints <= 25) << "left points " << *st.leftpoints << ", frame " << f;
        EXPECT_TRUE(*st.rightpoints >= 0 && *st.rightpoints <= 25)
            << "right points " << *st.rightpoints << ", frame " << f;
        for (int i = 0; i < 5; i++) {
            const plane* p = st.planes[i];
            EXPECT_TRUE(p->flying == 0 || p->flying == 1)
                << "plane " << i + 1 << " flying " << p->flying << ", frame " << f;
            EXPECT_TRUE(p->expstage >= 0 && p->expstage <= 5)
                << "plane " << i + 1 << " expstage " << p->expstage << ", frame " << f;
            EXPECT_NE(nullptr, p->pic) << "plane " << i + 1 << ", frame " << f;
        }
        for (const bullet* b : {st.leftbullet, st.rightbullet})
            if (b->fired == 0) {
                EXPECT_EQ(b->side == 'l' ? 80 : 720, b->pos.x) << "resting " << b->side << " bullet, frame " << f;
                EXPECT_EQ(540, b->pos.y) << "resting " << b->side << " bullet, frame " << f;
            }
    };
}

constexpr int sessionframes = 300;

// A computer-against-computer session that must play through and end normally.
void playsthrough()
{
    session::script s;
    autoplay(s, sessionframes);
    watchrules(s);
    EXPECT_EQ(0, s.run());
    EXPECT_EQ(static_cast<size_t>(sessionframes + 1), s.delays.size()) << "frames played";
    EXPECT_EQ("", s.out);
}

std::vector<isolated> oddsizes(const std::vector<std::string>& pictures, std::vector<damage> sizes = {tiny, huge})
{
    std::vector<isolated> cases;
    for (const std::string& name : pictures)
        for (damage d : sizes)
            cases.emplace_back("pix/" + name, d, playsthrough);
    return cases;
}

// Lines "couldnt load PATH: <SDL_image's error text>", as many as expected (0: at least one).
::testing::AssertionResult loadmessages(const std::string& out, const std::string& path, size_t expected = 1)
{
    const std::string head = "couldnt load " + path + ": ";
    size_t lines = 0;
    bool good = !out.empty() && out.back() == '\n';
    for (size_t at = 0; good && at < out.size(); lines++) {
        const size_t end = out.find('\n', at);
        good = out.compare(at, head.size(), head) == 0 && end > at + head.size();
        at = end + 1;
    }
    if (good && (expected == 0 ? lines > 0 : lines == expected))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "stdout \"" << out << "\", expected "
                                         << (expected == 0 ? std::string("some") : std::to_string(expected))
                                         << " lines \"" << head << "<error>\"";
}

} // namespace

// Odd sizes: the game plays on, whatever it looks like.
TEST(broken, oddsizedsprites)
{
    std::vector<isolated> cases = oddsizes(tankpics);
    for (auto* group : {&planepics, &exppics, &bulletpics})
        for (isolated& c : oddsizes(*group))
            cases.push_back(std::move(c));
    runall(cases);
}

TEST(broken, oddsizedground)
{
    std::vector<isolated> cases = oddsizes({"hintergrund.png"}, {tiny, huge, small});
    runall(cases);
}

// A panel picture whose buttons cannot be clicked must not leave the player stuck in the first
// menu (which ignores the window's close button): either it is refused at start-up, or it works.
TEST(broken, oddsizedmenu)
{
    std::vector<isolated> cases;
    for (damage d : {tiny, huge})
        cases.emplace_back("pix/menu.png", d, [] {
            session::script s;
            autoplay(s, sessionframes);
            const int status = s.run();
            if (status == 1) {
                EXPECT_EQ(0u, s.out.rfind("pix/menu.png is ", 0)) << s.out;
            } else {
                EXPECT_EQ(0, status);
                EXPECT_EQ(static_cast<size_t>(sessionframes + 1), s.delays.size());
            }
        });
    runall(cases);
}

// The fast-plane picture is first read by a wave during play: the wave goes on with the old
// picture and says which file failed, each time.
TEST(broken, unreadablepictureinplay)
{
    std::vector<isolated> cases;
    for (damage d : {missing, empty, truncated, garbage})
        cases.emplace_back("pix/p3r.png", d, [] {
            // long enough for the waves that bring the fast planes flying right
            session::script s;
            autoplay(s, 3000);
            watchrules(s);
            EXPECT_EQ(0, s.run());
            EXPECT_EQ(3001u, s.delays.size());
            EXPECT_TRUE(loadmessages(s.out, "pix/p3r.png", 0));
        });
    runall(cases);
}

// A sound that cannot be read stays silent; everything else goes on.
TEST(broken, unreadablesounds)
{
    std::vector<isolated> cases;
    for (size_t i = 0; i < soundfiles.size(); i++)
        for (damage d : {missing, empty, truncated, garbage})
            cases.emplace_back("sound/" + soundfiles[i], d, [i, d] {
                session::script s;
                autoplay(s, sessionframes);
                watchrules(s);
                EXPECT_EQ(0, s.run());
                EXPECT_EQ(static_cast<size_t>(sessionframes + 1), s.delays.size());
                EXPECT_EQ("", s.out);
                for (size_t j = 0; j < 4; j++) {
                    if (j != i) {
                        EXPECT_NE(nullptr, s.state.sounds[j]) << soundfiles[j];
                    } else if (d != truncated) {
                        EXPECT_EQ(nullptr, s.state.sounds[j]) << soundfiles[j];
                    }
                }
                EXPECT_GT(s.sounds.size(), 0u) << "sounds asked for";
            });
    runall(cases);
}

// A font cut short that the font library still opens: texts may go missing, the game plays on.
TEST(broken, halffont)
{
    std::vector<isolated> cases;
    cases.emplace_back("pix/astronbo.ttf", truncated, playsthrough);
    runall(cases);
}

// No audio device at all: every sound stays silent, the game plays and quits normally.
TEST(broken, noaudiodevice)
{
    std::vector<isolated> cases;
    cases.emplace_back(
        "", missing,
        [] {
            setenv("SDL_AUDIODRIVER", "nonexistent", 1);
            session::script s;
            autoplay(s, sessionframes);
            watchrules(s);
            EXPECT_EQ(0, s.run());
            EXPECT_EQ(static_cast<size_t>(sessionframes + 1), s.delays.size());
            for (int j = 0; j < 4; j++)
                EXPECT_EQ(nullptr, s.state.sounds[j]) << soundfiles[j];
            EXPECT_GT(s.sounds.size(), 0u);
        },
        "no audio device");
    runall(cases);
}

// The long computer-against-computer session that the memory checker runs as well.
TEST(broken, longsession)
{
    session::script s;
    autoplay(s, 3000);
    watchrules(s);
    EXPECT_EQ(0, s.run());
    EXPECT_EQ(3001u, s.delays.size());
    EXPECT_EQ("", s.out);
    EXPECT_GT(session::count(s.sounds, session::explosion), 10) << "planes struck";
}
