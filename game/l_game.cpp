// Game flow: the global objects, loading and freeing every asset, a new game, one step, one frame.
#include "game/l_game.h"

#include "platform/p_gl.h"

#include "actors/l_player.h"
#include "actors/l_spider.h"
#include "app/l_input.h"
#include "app/l_utils.h"
#include "audio/l_music.h"
#include "audio/l_sound.h"
#include "effects/l_particle.h"
#include "menu/l_menu.h"
#include "render/l_gl.h"

TPlayer Player;
TCamera Camera;
TMap GameMap;
TModel_v2 GunModel;
TModel SpiderModel;
TModel_v2 ZenitModel;
int32_t SpiderAttackSound = -1;
int32_t SpiderDieSound = -1;
int32_t ZenitFireSound = -1;
int32_t ZenitAimSound = -1;
int32_t FontSmall = 0;
int32_t FontBig = 0;
int32_t FontMenu = 0;
int32_t WaveDelay = 500;
int32_t WaveSize = 0;
int32_t SpawnsLeft = 0;

void LoadGame() {
  Randomize();
  LoadMenu();
  LoadParticleTextures();
  LoadPlayer(Player);
  InitCamera(Camera);
  Camera.Target = &Player;
  MapInit(GameMap);
  ModelV2Init(GunModel);
  ModelV2Load(GunModel, "data\\models\\gun.zrm");
  ModelInit(SpiderModel);
  ModelLoad(SpiderModel, "data\\models\\spider.zrm");
  SpiderAttackSound = LoadSample("Data\\sounds\\spider\\attack.wav");
  SpiderDieSound = LoadSample("Data\\sounds\\spider\\die.wav");
  ModelV2Init(ZenitModel);
  ModelV2Load(ZenitModel, "data\\models\\zenit.zrm");
  ZenitFireSound = LoadSample("Data\\sounds\\zenit\\fire.wav");
  ZenitAimSound = LoadSample("Data\\sounds\\zenit\\aim.wav");
  FontSmall = CreateGLFont("Courier New", 16, 8);
  FontBig = CreateGLFont("Impact", 32, 32);
  FontMenu = CreateGLFont("Fixedsys", 16, 16);
}

void NewGame() {
  NewPlayer(Player);
  ClearParticles();
  MapLoad(GameMap, "map1");  // also empties the spider and turret lists
  // START may be followed by a frame before any step: that frame shows this game's
  // view, from where the first step puts the player, not a camera left from before.
  MapClampToGround(GameMap, Player.Position, Player.GroundNormal);
  UpdateCamera(Camera);
  FreeMusic();
  LoadMusic("data\\music\\rave.xm");
  PlayMusic();
  WaveDelay = 500;
  WaveSize = 25;
  SpawnsLeft = WaveSize;
}

// Released handles are marked, so the second run of the close handling does nothing.
static void ReleaseFont(int32_t& font) {
  if (font != 0) FreeGLFont(font);
  font = 0;
}

static void ReleaseSample(int32_t& id) {
  if (id >= 0) FreeSample(id);
  id = -1;
}

void FreeGame() {
  FreeMenu();
  FreePlayer(Player);
  FreeParticleTextures();
  ReleaseFont(FontSmall);
  ReleaseFont(FontBig);
  ReleaseFont(FontMenu);
  MapFree(GameMap, true);
  ModelFree(SpiderModel);
  ModelV2Free(GunModel);
  ModelV2Free(ZenitModel);
  ReleaseSample(SpiderAttackSound);
  ReleaseSample(SpiderDieSound);
  ReleaseSample(ZenitFireSound);
  ReleaseSample(ZenitAimSound);
  StopMusic();
  FreeMusic();
}

void UpdateGame() {
  UpdateMouse();
  if (MenuActive) {
    UpdateMenu();  // the game stays frozen under the menu
  } else {
    SpawnSpiders();
    UpdateParticles();
    UpdatePlayer(Player);
    CheckWave();
    // After the player, before the creatures: their matrices use this step's view.
    UpdateCamera(Camera);
    MapUpdate(GameMap);
  }
  MouseDX = 0;
  MouseDY = 0;
}

void RenderGame() {
  if (MenuActive) {
    RenderMenu();
  } else {
    // The sky box covers the whole view, so only depth needs clearing.
    glClear(GL_DEPTH_BUFFER_BIT);
    SetBlendMode(0);
    CameraProjection(Camera);
    CameraLoadView(Camera);
    MapRender(GameMap);
    DrawParticles();
    RenderPlayerView();
  }
  EndFrame();
}
