// The Windows-1251 boundary between the lists and the widgets: a Qt built
// without ICU (Windows) must give the same texts as one with it.

#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "gui/Text.h"

namespace hk {
namespace {

TEST(GuiText, CyrillicListLinesReachTheWidgetsWhole) {
    // "AT&F Модем для КВАРД, ёЁ №1" as a list file holds it.
    const std::string line =
        "AT&F \xcc\xee\xe4\xe5\xec \xe4\xeb\xff \xca\xc2\xc0\xd0\xc4, \xb8\xa8 \xb9"
        "1";
    EXPECT_EQ(FromCp1251(line), QString::fromUtf8("AT&F Модем для КВАРД, ёЁ №1"));
    EXPECT_EQ(ToCp1251(QString::fromUtf8("AT&F Модем для КВАРД, ёЁ №1")), line);
}

TEST(GuiText, EveryByteButTheUnassignedOneComesBackAsItWas) {
    std::string all;
    for (int b = 1; b < 256; ++b)
        if (b != 0x98) all += static_cast<char>(b);
    const QString text = FromCp1251(all);
    EXPECT_EQ(text.size(), static_cast<qsizetype>(all.size()));
    EXPECT_EQ(ToCp1251(text), all);
    EXPECT_EQ(FromCp1251("\x98"), QString(QChar(0xFFFD)));
}

TEST(GuiText, CharactersTheCodePageLacksBecomeQuestionMarks) {
    EXPECT_EQ(ToCp1251(QString::fromUtf8("ATZ ☎ ǅ")), "ATZ ? ?");
    EXPECT_EQ(ToCp1251(QString::fromUtf8("€")), "\x88");
    EXPECT_EQ(ToCp1251(QString()), "");
}

}  // namespace
}  // namespace hk
