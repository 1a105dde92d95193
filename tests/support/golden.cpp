#include "golden.h"

#include <errno.h>
#include <stdio.h>
#include <png.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

static std::string GOLDEN_baseName(const std::string& path) {
  size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.size() > 4 && name.compare(name.size() - 4, 4, ".png") == 0) name.resize(name.size() - 4);
  return name;
}

// Under the build tree by default: a test program run from the source tree
// would otherwise leave its pictures among the sources, to be committed.
static std::string GOLDEN_outDir(void) {
  const char* dir = getenv("GOLDEN_OUT_DIR");
  std::string out = (dir != nullptr && dir[0] != '\0') ? dir : VELMORA_GOLDEN_OUT_DIR;
  mkdir(out.c_str(), 0777);
  return out;
}

static BOOLEAN GOLDEN_bUpdating(void) {
  const char* v = getenv("UPDATE_GOLDEN");
  return v != nullptr && strcmp(v, "1") == 0;
}

std::vector<U8> GOLDEN_rgbFromPicture(const GOLDEN_PICTURE& picture) {
  std::vector<U8> rgb((size_t)picture.u32Width * picture.u32Height * 3);
  U8* out = rgb.data();
  for (U32 y = 0; y < picture.u32Height; y++) {
    const COLOR* row = picture.pPixels + (size_t)y * picture.u32Pitch;
    for (U32 x = 0; x < picture.u32Width; x++) {
      U32 c = row[x];
      U32 r = c >> 11, g = (c >> 5) & 63, b = c & 31;
      *out++ = (U8)((r << 3) | (r >> 2));
      *out++ = (U8)((g << 2) | (g >> 4));
      *out++ = (U8)((b << 3) | (b >> 2));
    }
  }
  return rgb;
}

BOOLEAN GOLDEN_bWritePng(const std::string& path, U32 u32Width, U32 u32Height, const std::vector<U8>& rgb,
                         std::string* pError) {
  png_image image;
  memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = u32Width;
  image.height = u32Height;
  image.format = PNG_FORMAT_RGB;
  if (png_image_write_to_file(&image, path.c_str(), 0, rgb.data(), 0, nullptr) == 0) {
    if (pError != nullptr) *pError = std::string("cannot write ") + path + ": " + image.message;
    return FALSE;
  }
  return TRUE;
}

BOOLEAN GOLDEN_bReadPng(const std::string& path, U32* pu32Width, U32* pu32Height, std::vector<U8>* pRgb,
                        std::string* pError) {
  png_image image;
  memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
    if (pError != nullptr) *pError = std::string("cannot read ") + path + ": " + image.message;
    return FALSE;
  }
  image.format = PNG_FORMAT_RGB;
  pRgb->resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, pRgb->data(), 0, nullptr) == 0) {
    if (pError != nullptr) *pError = std::string("cannot decode ") + path + ": " + image.message;
    png_image_free(&image);
    return FALSE;
  }
  *pu32Width = image.width;
  *pu32Height = image.height;
  return TRUE;
}

// Differences in red, the rest of the actual picture dimmed to a quarter.
static std::vector<U8> GOLDEN_diffImage(const std::vector<U8>& actual, const std::vector<U8>& golden) {
  std::vector<U8> diff(actual.size());
  for (size_t i = 0; i < actual.size(); i += 3) {
    if (memcmp(&actual[i], &golden[i], 3) != 0) {
      diff[i] = 255;
      diff[i + 1] = 0;
      diff[i + 2] = 0;
    } else {
      U8 grey = (U8)((actual[i] + actual[i + 1] + actual[i + 2]) / 12);
      diff[i] = diff[i + 1] = diff[i + 2] = grey;
    }
  }
  return diff;
}

#if defined(__arm__)
// FreeType built for 32-bit ARM rounds a few coverage values differently;
// where that shows, the board's picture is kept beside the host's, named
// with "-armhf" before the ".png".
static std::string GOLDEN_boardPath(const std::string& goldenPath) {
  const size_t dot = goldenPath.size() > 4 && goldenPath.compare(goldenPath.size() - 4, 4, ".png") == 0
                         ? goldenPath.size() - 4
                         : goldenPath.size();
  if (dot >= 6 && goldenPath.compare(dot - 6, 6, "-armhf") == 0) return goldenPath;
  return goldenPath.substr(0, dot) + "-armhf" + goldenPath.substr(dot);
}

static BOOLEAN GOLDEN_bSame(const std::string& path, const GOLDEN_PICTURE& picture, const std::vector<U8>& actual) {
  U32 w = 0, h = 0;
  std::vector<U8> golden;
  return GOLDEN_bReadPng(path, &w, &h, &golden, nullptr) && w == picture.u32Width && h == picture.u32Height &&
         golden == actual;
}

#endif

::testing::AssertionResult GOLDEN_Match(const std::string& hostPath, const GOLDEN_PICTURE& picture) {
  const std::vector<U8> actual = GOLDEN_rgbFromPicture(picture);
  std::string error;
  std::string goldenPath = hostPath;
#if defined(__arm__)
  const std::string boardPath = GOLDEN_boardPath(hostPath);
  if (GOLDEN_bUpdating()) {
    // The board keeps a picture of its own only where it differs.
    if (GOLDEN_bSame(hostPath, picture, actual)) {
      if (boardPath != hostPath) remove(boardPath.c_str());
      return ::testing::AssertionSuccess();
    }
    goldenPath = boardPath;
  } else if (access(boardPath.c_str(), R_OK) == 0) {
    goldenPath = boardPath;
  }
#endif
  if (GOLDEN_bUpdating()) {
    if (!GOLDEN_bWritePng(goldenPath, picture.u32Width, picture.u32Height, actual, &error)) {
      return ::testing::AssertionFailure() << error;
    }
    return ::testing::AssertionSuccess() << "golden " << goldenPath << " rewritten";
  }

  const std::string out = GOLDEN_outDir() + "/" + GOLDEN_baseName(goldenPath);
  const std::string actualPath = out + ".actual.png";
  U32 w = 0, h = 0;
  std::vector<U8> golden;
  if (!GOLDEN_bReadPng(goldenPath, &w, &h, &golden, &error)) {
    GOLDEN_bWritePng(actualPath, picture.u32Width, picture.u32Height, actual, nullptr);
    return ::testing::AssertionFailure() << error << " (actual picture in " << actualPath
                                         << "; run with UPDATE_GOLDEN=1 to create the golden)";
  }
  if (w != picture.u32Width || h != picture.u32Height) {
    GOLDEN_bWritePng(actualPath, picture.u32Width, picture.u32Height, actual, nullptr);
    return ::testing::AssertionFailure() << "picture is " << picture.u32Width << " x " << picture.u32Height
                                         << ", golden " << goldenPath << " is " << w << " x " << h
                                         << " (actual picture in " << actualPath << ")";
  }

  size_t count = 0;
  U32 left = w, right = 0, top = h, bottom = 0;
  for (U32 y = 0; y < h; y++) {
    for (U32 x = 0; x < w; x++) {
      size_t i = ((size_t)y * w + x) * 3;
      if (memcmp(&actual[i], &golden[i], 3) == 0) continue;
      count++;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  if (count == 0) return ::testing::AssertionSuccess();

  const std::string diffPath = out + ".diff.png";
  GOLDEN_bWritePng(actualPath, w, h, actual, nullptr);
  GOLDEN_bWritePng(diffPath, w, h, GOLDEN_diffImage(actual, golden), nullptr);
  return ::testing::AssertionFailure() << count << " pixel(s) differ from " << goldenPath << ", columns " << left
                                       << ".." << right << ", rows " << top << ".." << bottom
                                       << " from the top; actual " << actualPath << ", difference " << diffPath;
}

::testing::AssertionResult GOLDEN_MatchBitmap(const std::string& goldenPath, const BITMAP* pBitmap) {
  GOLDEN_PICTURE picture = {(const COLOR*)pBitmap->pBuffer, (U32)pBitmap->pixels_wide_full_screen,
                            (U32)pBitmap->pixels_high_full_screen, pBitmap->__u32PixelWidthOfBuffer};
  return GOLDEN_Match(goldenPath, picture);
}

std::vector<COLOR> GOLDEN_RigScreen(const std::string& rigDir) {
  constexpr size_t kPage = 800u * 480u;
  unsigned page = 0;
  if (FILE* f = fopen((rigDir + "/dev/fb0.page").c_str(), "r")) {
    if (fscanf(f, "%u", &page) != 1 || page > 3) page = 0;
    fclose(f);
  }
  std::vector<COLOR> screen(kPage);
  FILE* f = fopen((rigDir + "/dev/fb0").c_str(), "rb");
  if (f == nullptr) return {};
  const bool bRead = fseek(f, (long)(page * kPage * sizeof(COLOR)), SEEK_SET) == 0 &&
                     fread(screen.data(), sizeof(COLOR), kPage, f) == kPage;
  fclose(f);
  return bRead ? screen : std::vector<COLOR>{};
}
