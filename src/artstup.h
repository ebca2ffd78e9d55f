#ifndef ZEVO_ARTSTUP_H
#define ZEVO_ARTSTUP_H

class bullet;
class plane;

// The computer player of one side.
class artstup {
  public:
    artstup(plane* plane1, plane* plane2, plane* plane3, plane* plane4, plane* plane5, bullet* ownbullet);

    char moveshot(char side, char skill);

    plane* planes[5]; // band 1 first
    plane* target;
    bullet* ownbullet;

  private:
    void fire();
    void retargethigh();
    char skilli(char side);
    char skills(char side);
};

#endif
