// Spider records: filling a new one for the map's list and drawing it with the shared model.
#include "actors/l_spider.h"

#include "platform/p_gl.h"

#include "app/l_utils.h"
#include "game/l_game.h"

void InitSpider(TSpider& spider) {
  spider.Health = 3;
  spider.Position = {0, 0, 0};
  // A model without animation has duration 0; the clock then stays at 0.
  spider.AnimTime = RandomInt(SpiderModel.Duration);
  spider.AnimFrame = 0;
  spider.Speed = 0;
  spider.Heading = 0;
  spider.TargetHeading = 0;
  spider.AttackDelay = 0;
  spider.Next = nullptr;
  spider.Prev = nullptr;
}

void DrawSpider(TSpider& spider) {
  if (!SphereInFrustum(Camera, spider.Position, SpiderModel.Radius)) return;
  SpiderModel.Frame = spider.AnimFrame;
  glLoadMatrixf(spider.ModelView.m);
  ModelDraw(SpiderModel);
}
