// The data set's images: the list of files, writing them, and a contact sheet of them all.
#include "gen_images.h"
#include "generators.h"
#include "render/l_jpeg.h"
#include "render/l_tga.h"

namespace {

const int kSkySide = 512;

TGenImage Jpeg(const std::string& path, TPixmap pic, int quality) {
  TGenImage g{path, std::move(pic), {}};
  g.Bytes = EncodeJpeg(g.Picture, quality);
  return g;
}

TGenImage Tga(const std::string& path, TPixmap pic) {
  TGenImage g{path, std::move(pic), {}};
  g.Bytes = EncodeTga(g.Picture);
  return g;
}

}  // namespace

std::vector<TGenImage> MakeImageSet() {
  std::vector<TGenImage> set;
  // Heights survive compression best at full quality.
  set.push_back(Jpeg("maps/map1_height.jpg", MakeHeightImage(), 100));
  set.push_back(Jpeg("maps/map1.jpg", MakeMapColour(), 92));
  set.push_back(Jpeg("textures/detail.jpg", MakeDetail(256), 90));
  for (int f = 0; f < 5; ++f)
    set.push_back(Jpeg("textures/sky_" + std::to_string(f + 1) + ".jpg", MakeSkyFace(f, kSkySide), 92));
  set.push_back(Jpeg("textures/env.jpg", MakeEnvMap(256), 90));
  set.push_back(Jpeg("textures/shadow.jpg", MakeShadow(64), 95));
  set.push_back(Tga("textures/crosshair.tga", MakeCrosshair()));
  set.push_back(Tga("textures/hud.tga", MakeHudStrip()));
  set.push_back(Tga("textures/smoke.tga", MakeSmoke(64)));
  set.push_back(Tga("textures/ricochet.tga", MakeRicochet(64)));
  set.push_back(Tga("textures/blood.tga", MakeBlood(64)));
  set.push_back(Jpeg("textures/fire.jpg", MakeFire(128), 92));
  set.push_back(Tga("textures/gibs.tga", MakeGibs()));
  set.push_back(Jpeg("textures/menu/blur.jpg", MakeMenuBlur(256), 92));
  return set;
}

void GenerateImages(TGenOutput& out) {
  for (const TGenImage& g : MakeImageSet()) WriteDataFile(out, g.Path, g.Bytes);
}

namespace {

// The picture the game gets from a file, top row first, red first, with its alpha.
TPixmap DecodeAsGame(const TGenImage& g) {
  TImage img;
  const bool tga = g.Path.size() > 4 && g.Path.compare(g.Path.size() - 4, 4, ".tga") == 0;
  const bool ok = tga ? ReadTGAMemory(g.Bytes.data(), g.Bytes.size(), img)
                      : DecodeJpegMemory(g.Bytes.data(), g.Bytes.size(), img);
  if (!ok) return TPixmap(8, 8, 4);
  const int bpp = img.Bits / 8;
  TPixmap pic(img.Width, img.Height, 4);
  for (int y = 0; y < img.Height; ++y) {
    const int row = tga ? img.Height - 1 - y : y;  // TGA rows come bottom first
    for (int x = 0; x < img.Width; ++x) {
      const uint8_t* s = &img.Pixels[(size_t(row) * img.Width + x) * bpp];
      uint8_t* d = &pic.Px[(size_t(y) * img.Width + x) * 4];
      d[0] = s[2], d[1] = s[1], d[2] = s[0], d[3] = bpp == 4 ? s[3] : 255;
    }
  }
  return pic;
}

// Copies a picture onto the sheet scaled by num / den (nearest texel), over a checkerboard
// where it is transparent; rotate turns it half round.
void Place(TPixmap& sheet, const TPixmap& pic, int ox, int oy, int num, int den, bool rotate = false) {
  const int w = pic.Width * num / den, h = pic.Height * num / den;
  for (int y = 0; y < h && oy + y < sheet.Height; ++y) {
    for (int x = 0; x < w && ox + x < sheet.Width; ++x) {
      int sx = x * den / num, sy = y * den / num;
      if (rotate) sx = pic.Width - 1 - sx, sy = pic.Height - 1 - sy;
      const uint8_t* s = pic.At(sx, sy);
      const float a = s[3] / 255.0f;
      const float bg = ((x / 8 + y / 8) & 1) ? 0.62f : 0.38f;
      sheet.Set(ox + x, oy + y,
                {Mix(bg, s[0] / 255.0f, a), Mix(bg, s[1] / 255.0f, a), Mix(bg, s[2] / 255.0f, a)});
    }
  }
}

}  // namespace

bool WriteContactSheet(const std::string& png_path) {
  const std::vector<TGenImage> set = MakeImageSet();
  auto pic = [&](const std::string& path) {
    for (const TGenImage& g : set)
      if (g.Path == path) return DecodeAsGame(g);
    return TPixmap(8, 8, 4);
  };
  TPixmap sheet(1280, 1176, 3);
  for (size_t i = 0; i < sheet.Px.size(); ++i) sheet.Px[i] = 40;

  Place(sheet, pic("maps/map1.jpg"), 0, 0, 1, 1);
  Place(sheet, pic("maps/map1_height.jpg"), 512, 0, 4, 1);
  Place(sheet, pic("textures/env.jpg"), 1024, 0, 1, 1);
  Place(sheet, pic("textures/detail.jpg"), 1024, 256, 1, 1);

  // The sky box unfolded as seen from inside: -x, -z, +x, +z round the middle row, the
  // top above -z (turned, so that its edge on -z meets it).
  const int y0 = 520;
  Place(sheet, pic("textures/sky_4.jpg"), 0, y0 + 256, 1, 2);
  Place(sheet, pic("textures/sky_2.jpg"), 256, y0 + 256, 1, 2);
  Place(sheet, pic("textures/sky_1.jpg"), 512, y0 + 256, 1, 2);
  Place(sheet, pic("textures/sky_3.jpg"), 768, y0 + 256, 1, 2);
  Place(sheet, pic("textures/sky_5.jpg"), 256, y0, 1, 2, true);
  Place(sheet, pic("textures/menu/blur.jpg"), 1024, y0, 1, 1);
  Place(sheet, pic("textures/blood.tga"), 1024, y0 + 264, 2, 1);
  Place(sheet, pic("textures/shadow.jpg"), 1152, y0 + 264, 2, 1);

  const int y1 = 1040;
  Place(sheet, pic("textures/hud.tga"), 0, y1, 4, 1);
  Place(sheet, pic("textures/crosshair.tga"), 520, y1, 4, 1);
  Place(sheet, pic("textures/gibs.tga"), 656, y1, 16, 1);
  Place(sheet, pic("textures/fire.jpg"), 792, y1, 1, 1);
  Place(sheet, pic("textures/smoke.tga"), 928, y1, 2, 1);
  Place(sheet, pic("textures/ricochet.tga"), 1064, y1, 2, 1);

  return WritePng(png_path, sheet.Width, sheet.Height, 3, sheet.Px.data());
}
