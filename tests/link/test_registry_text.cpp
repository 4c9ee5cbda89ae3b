// Port names as a localised Windows gives them: wide characters, read as UTF-8 once.
#include <gtest/gtest.h>

#include <string>

#include "link/RegistryText.h"

namespace updater {
namespace {

struct NameCase {
    std::wstring registry;  // the value as the wide call returns it
    std::string utf8;
};

TEST(RegistryText, LocalisedPortNamesBecomeUtf8) {
    const NameCase cases[] = {
        {L"USB Serial Port (COM3)", "USB Serial Port (COM3)"},
        {L"Port de communication s\u00e9rie (COM1)", "Port de communication s\xc3\xa9rie (COM1)"},
        {L"Serielles USB-Ger\u00e4t (COM4)", "Serielles USB-Ger\xc3\xa4t (COM4)"},
        {L"\u901a\u4fe1\u30dd\u30fc\u30c8 (COM1)",
         "\xe9\x80\x9a\xe4\xbf\xa1\xe3\x83\x9d\xe3\x83\xbc\xe3\x83\x88 (COM1)"},
        // A letter outside the basic plane comes as a surrogate pair.
        {L"Port \U0001F4E1 (COM9)", "Port \xf0\x9f\x93\xa1 (COM9)"},
        {L"", ""},
    };
    for (const NameCase& c : cases) {
        // With its terminating zero, as the registry stores a string.
        EXPECT_EQ(Utf8FromRegistryText(c.registry.c_str(), c.registry.size() + 1), c.utf8);
    }
}

TEST(RegistryText, TakesTheFirstStringAndStopsAtTheValuesEnd) {
    const wchar_t multi[] = L"Ger\u00e4t A\0Ger\u00e4t B\0";
    EXPECT_EQ(Utf8FromRegistryText(multi, sizeof multi / sizeof multi[0]), "Ger\xc3\xa4t A");
    // A value stored without its terminating zero ends with its last character.
    const wchar_t unterminated[] = {L'C', L'O', L'M', L'\u00e9', L'X'};
    EXPECT_EQ(Utf8FromRegistryText(unterminated, 4), "COM\xc3\xa9");
}

}  // namespace
}  // namespace updater
