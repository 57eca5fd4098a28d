// The menu: item choice, name entry, its animation, and the frame drawn over the sky.
#include "menu/l_menu.h"

#include "platform/p_gl.h"

#include "app/l_app.h"
#include "app/l_utils.h"
#include "audio/l_music.h"
#include "game/l_game.h"
#include "platform/p_messages.h"
#include "render/l_gl.h"

bool MenuActive = true;
int32_t MenuSelection = 0;
float MenuBandY = 128;
float MenuAngle = 0;
float MenuModelAngle = 0;
uint32_t MenuTexture = 0;

const char* const MenuCreditsLine = "Halvrost - code, art and music made by its developers";
const char* const MenuAddressLine = "halvrost.example";

static const char* const MenuItems[3] = {"START", "CONTINUE", "QUIT"};

void LoadMenu() {
  TextureClamp = true;
  MenuTexture = LoadTexture("data\\textures\\menu\\blur.jpg", false);
  TextureClamp = false;
  MenuSelection = 0;
  MenuModelAngle = 0;
  LoadMusic("data\\music\\baits.xm");
  PlayMusic();
  MenuBandY = 128;
  ShortTextAssign(PlayerName, "Enter Name");
  LoadScores();  // may replace the name with the stored one
}

void FreeMenu() {
  if (MenuTexture != 0) FreeTexture(MenuTexture);
  MenuTexture = 0;
  SaveScores();
}

void PlayMenuMusic() {
  FreeMusic();
  LoadMusic("data\\music\\baits.xm");
  PlayMusic();
}

static void ChooseItem() {
  switch (MenuSelection) {
    case 0:
      NewGame();
      MenuActive = false;
      break;
    case 1:
      if (Player.Health > 0) MenuActive = false;  // nothing to continue otherwise
      break;
    case 2:
      AppQuit = true;
      break;
  }
}

void MenuMessage(uint32_t message, uint32_t wParam, int32_t) {
  if (message == WM_KEYDOWN) {
    if (wParam == VK_RETURN)
      ChooseItem();
    else if (wParam == VK_UP)
      MenuSelection -= 1;
    else if (wParam == VK_DOWN)
      MenuSelection += 1;
    if (MenuSelection > 2) MenuSelection = 0;
    if (MenuSelection < 0) MenuSelection = 2;
  } else if (message == WM_CHAR) {
    // Space and control characters (Backspace's 8 among them) are not typed.
    if (wParam > 32 && wParam < 256) ShortTextAppend(PlayerName, static_cast<char>(wParam));
  } else if (message == WM_KEYUP && wParam == VK_BACK) {
    // Only the release of Backspace edits: other messages may carry 8 as their
    // first parameter too (mouse messages with flags, for one).
    ShortTextDeleteLast(PlayerName);
  }
}

void UpdateMenu() {
  MenuModelAngle -= 1;
  MenuAngle += 2;
  SpiderModel.Clock = ModelAdvanceClock(SpiderModel.Clock, SpiderModel.Duration);
  SpiderModel.Frame = ModelClockFrame(SpiderModel.Clock);
  float target = static_cast<float>(MenuSelection * 64 + 128);
  MenuBandY += (target - MenuBandY) / 8.0f;
}

static void DrawSpiders() {
  UnbindTexture();
  glColor3f(1, 1, 1);
  SetBlendMode(0);
  glEnable(GL_DEPTH_TEST);
  BeginLitColouredModels();
  for (int side = 0; side < 2; ++side) {
    glPushMatrix();
    glTranslatef(side == 0 ? 7.0f : -7.0f, -6, -10);
    glRotatef(side == 0 ? -MenuModelAngle : MenuModelAngle, 0, 1, 0);
    ModelDraw(SpiderModel);
    glPopMatrix();
  }
  EndLitColouredModels();
  glDisable(GL_LIGHTING);
  glDisable(GL_DEPTH_TEST);
}

static void DrawBandQuad() {
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(0, MenuBandY - 32);
  glTexCoord2f(1, 0);
  glVertex2f(256, MenuBandY - 32);
  glTexCoord2f(1, 1);
  glVertex2f(256, MenuBandY + 32);
  glTexCoord2f(0, 1);
  glVertex2f(0, MenuBandY + 32);
  glEnd();
}

// Two additive layers of the blur texture, one mirrored, seem to turn against each other.
static void DrawBand() {
  SetBlendMode(2);
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  glTranslatef(0.5f, 0.5f, 0);
  glRotatef(MenuAngle, 0, 0, 1);
  glTranslatef(-0.5f, -0.5f, 0);
  glMatrixMode(GL_MODELVIEW);
  glDisable(GL_DEPTH_TEST);
  BindTexture(MenuTexture);
  glColor3f(1, 1, 1);
  DrawBandQuad();
  glMatrixMode(GL_TEXTURE);
  glTranslatef(0.5f, 0.5f, 0);
  glScalef(-1, 1, 1);
  glTranslatef(-0.5f, -0.5f, 0);
  glMatrixMode(GL_MODELVIEW);
  DrawBandQuad();
  glMatrixMode(GL_TEXTURE);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
}

static void DrawItems() {
  UnbindTexture();
  SetBlendMode(0);
  glColor3f(1, 1, 1);
  PrintText("Name: " + ShortTextString(PlayerName), 32, 64, FontMenu);
  for (int i = 0; i < 3; ++i) {
    std::string text = MenuItems[i];
    if (i == 1 && Player.Health == 0)
      glColor3f(0.5f, 0.5f, 0.5f);  // nothing to continue
    else
      glColor3f(0, 0, 0);
    PrintText(text, 128 - 8 * static_cast<int32_t>(text.size()), 132 + 64 * i, FontMenu);
  }
}

static void DrawScorePanel() {
  UnbindTexture();
  SetBlendMode(1);
  glColor4f(0, 0, 0, 0.5f);
  glBegin(GL_QUADS);
  glVertex2f(240, 128);
  glVertex2f(560, 128);
  glVertex2f(560, 256);
  glVertex2f(240, 256);
  glEnd();
  glColor4f(0, 0, 0, 1);
  glBegin(GL_LINE_LOOP);
  glVertex2f(240, 128);
  glVertex2f(560, 128);
  glVertex2f(560, 256);
  glVertex2f(240, 256);
  glEnd();
  SetBlendMode(0);
  for (int i = 0; i < ScoreEntries; ++i) {
    if (i == 0)
      glColor3f(1, 0, 0);
    else
      glColor3f(1, 1, 1);
    int32_t y = 136 + 16 * i;
    PrintText(IntToString(i + 1) + ". ", 240, y, FontSmall);
    PrintText(ShortTextString(ScoreTable[i].Name), 272, y, FontSmall);
    PrintText(IntToString(ScoreTable[i].Score), 436, y, FontSmall);
  }
}

void RenderMenu() {
  SetOrtho(0, 0, 640, 480);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  SetPerspective(90, 0.5f, 512);  // identity view: looking down -z from the origin
  // The sky is drawn around the origin; the game's eye comes back for its next frame,
  // even when no step runs between leaving the menu and that frame.
  TVector eye = Camera.Eye;
  Camera.Eye = {0, 0, 0};
  RenderSky(GameMap);
  Camera.Eye = eye;
  DrawSpiders();
  SetOrtho(0, 0, 640, 480);
  DrawBand();
  DrawItems();
  DrawScorePanel();
  glColor3f(1, 0, 0);
  PrintText(MenuCreditsLine, 176, 456, FontSmall);
  PrintText(MenuAddressLine, 232, 472, FontSmall);
}
