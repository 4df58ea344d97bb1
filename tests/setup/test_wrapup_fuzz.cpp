// Random INI texts: reading, changing and writing them back must never fail or read outside
// the text (the sanitizer build checks), and a changed key must read back as set.
#include "ini_line_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

TEST(IniLineFileFuzz, RandomTextsReadChangeAndWriteBack) {
    static const char* const kPieces[] = {
        "[sys]", "[Shortcuts]", " [ SYS ] ", "[",    "]",  "PartnerId", "partnerid",  "AffiliateId",
        "=",     "==",          "\n",        "\r\n", "\r", ";",         " ",          "\t",
        "value", "\xc3\x9c",    "\xff",      "",     "#",  "[sys",      "KestrelUrl", "WebInfo"};
    static const char* const kKeys[] = {"PartnerId", "AffiliateId", "WebInfo", "KestrelUrl"};
    std::mt19937 rng(7);
    auto pick = [&rng](size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng); };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    for (int round = 0; round < 50000 && std::chrono::steady_clock::now() < deadline; ++round) {
        std::string text;
        const size_t pieces = pick(40);
        for (size_t i = 0; i < pieces; ++i) {
            if (pick(10) == 0)
                text += static_cast<char>(pick(256));
            else
                text += kPieces[pick(std::size(kPieces))];
        }
        if (pick(50) == 0)
            text += std::string(2000 + pick(2000), 'x');

        IniLineFile file;
        file.Parse(text);
        const std::string key = kKeys[pick(std::size(kKeys))];
        const std::string value = "v" + std::to_string(round);
        ASSERT_TRUE(file.Set(key, value, "sys"));

        IniLineFile reread;
        reread.Parse(file.Text());
        const std::string* found = nullptr;
        for (const auto& entry : reread.Entries()) {
            if (!entry.noValue && entry.key == key) {
                found = &entry.value;
                break;
            }
        }
        ASSERT_NE(found, nullptr) << text;
        ASSERT_EQ(*found, value) << text;
    }
}
