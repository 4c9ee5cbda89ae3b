#pragma once
// What the status banner says and where on its picture each line goes. The banner window
// itself (a frameless picture over the main window) belongs to the toolkit; the switch, the
// texts and the layout are shared by both windows.

#include <array>
#include <string>
#include <vector>

namespace updater {

inline constexpr int kBannerLines = 7;
// Line 1 is the title, line 2 the status message, lines 3 to 7 details.
using BannerTexts = std::array<std::string, kBannerLines>;

// The banner removes itself after this long, whatever its owner does.
inline constexpr int kBannerLifetimeMs = 5000;
inline constexpr const char* kBannerFontFace = "Arial";
inline constexpr int kBannerFontWeight = 500;

// ShowBanner and HideBanner do nothing while the banner is switched off (the default).
void EnableBanner(int flag);
bool BannerEnabled();
void SetBannerTexts(const BannerTexts& texts);
const BannerTexts& CurrentBannerTexts();

enum class BannerAlign {
    Centre,  // centred on x
    Right,   // ending at x
};

// One line to draw: its character cell's top edge at top, fontHeight pixels high.
struct BannerLine {
    std::string text;
    int x = 0;
    int top = 0;
    int fontHeight = 0;
    BannerAlign align = BannerAlign::Centre;
};

// The non-empty lines of the current texts, placed on a picture pictureWidth pixels wide.
std::vector<BannerLine> BannerLinesToDraw(int pictureWidth);

}  // namespace updater
