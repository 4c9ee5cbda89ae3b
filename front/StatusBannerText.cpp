#include "front/StatusBannerText.h"

namespace updater {

namespace {

constexpr int kTitleTop = 107;
constexpr int kMessageTop = 130;
constexpr int kDetailRight = 410;
// Detail lines 3 to 7, 13 pixels apart.
constexpr std::array<int, 5> kDetailTops{195, 208, 221, 234, 247};
constexpr int kTitleFontHeight = 20;
constexpr int kMessageFontHeight = 17;
constexpr int kDetailFontHeight = 15;

int bannerEnabled = 0;
BannerTexts bannerTexts;

}  // namespace

void EnableBanner(int flag) { bannerEnabled = flag; }

bool BannerEnabled() { return bannerEnabled != 0; }

void SetBannerTexts(const BannerTexts& texts) { bannerTexts = texts; }

const BannerTexts& CurrentBannerTexts() { return bannerTexts; }

std::vector<BannerLine> BannerLinesToDraw(int pictureWidth) {
    std::vector<BannerLine> lines;
    const auto add = [&lines](const std::string& text, int x, int top, int height,
                              BannerAlign align) {
        if (!text.empty()) lines.push_back({text, x, top, height, align});
    };
    const int centre = pictureWidth / 2;
    add(bannerTexts[0], centre, kTitleTop, kTitleFontHeight, BannerAlign::Centre);
    add(bannerTexts[1], centre, kMessageTop, kMessageFontHeight, BannerAlign::Centre);
    for (size_t i = 0; i < kDetailTops.size(); ++i) {
        add(bannerTexts[i + 2], kDetailRight, kDetailTops[i], kDetailFontHeight,
            BannerAlign::Right);
    }
    return lines;
}

}  // namespace updater
