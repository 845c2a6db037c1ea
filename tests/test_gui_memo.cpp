// The memo's lines as the lists have them: every added line ends with a line
// break, an empty line counts, the text after the last break is the last
// line; replacing a line leaves the operator's place and the rest alone.

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>

#include "gui/Memo.h"
#include "support/Input.h"
#include "support/QtApp.h"

namespace hk {
namespace {

class MemoLines : public ::testing::Test {
protected:
    QApplication& app = test::EnsureQApplication();  // before any widget
    Memo memo{QStringLiteral("Memo1"), nullptr};
};

TEST_F(MemoLines, LinesFollowTheLineBreaksOfTheText) {
    struct Case {
        const char* text;
        QStringList lines;
    };
    const Case cases[] = {
        {"", {}},
        {"\n", {""}},
        {"ATZ", {"ATZ"}},
        {"ATZ\n", {"ATZ"}},
        {"ATZ\n\nAT&W", {"ATZ", "", "AT&W"}},
        {"ATZ\n\n", {"ATZ", ""}},
        {"\n\n\n", {"", "", ""}},
    };
    for (const Case& c : cases) {
        memo.setPlainText(QString::fromUtf8(c.text));
        SCOPED_TRACE(c.text);
        EXPECT_EQ(memo.Lines(), c.lines);
        ASSERT_EQ(memo.LineCount(), c.lines.size());
        for (int i = 0; i < c.lines.size(); ++i) EXPECT_EQ(memo.Line(i), c.lines[i]);
        EXPECT_EQ(memo.Line(-1), QString());
        EXPECT_EQ(memo.Line(memo.LineCount()), QString());
    }
}

TEST_F(MemoLines, AddedLinesEndWithABreakAndStartOnANewLine) {
    memo.AddLine(QStringLiteral("ATZ"));
    memo.AddLine(QString());
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("ATZ\n\n"));
    EXPECT_EQ(memo.LineCount(), 2);

    memo.setPlainText(QStringLiteral("typed"));  // no break after it yet
    memo.AddLine(QStringLiteral("OK"));
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("typed\nOK\n"));
    memo.ClearLines();
    EXPECT_EQ(memo.LineCount(), 0);
    memo.AddLine(QString());
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("\n"));
}

TEST_F(MemoLines, ReplacingALineKeepsTheTrailingBreakAsItWas) {
    memo.setPlainText(QStringLiteral("ATS0=3&W\nATZ\nats0=4"));
    memo.SetLine(2, QStringLiteral("ats0=5"));
    memo.SetLine(0, QStringLiteral("ATS0=15&W"));
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("ATS0=15&W\nATZ\nats0=5"));
    memo.AddLine(QString());
    memo.SetLine(1, QString());
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("ATS0=15&W\n\nats0=5\n\n"));
    memo.SetLine(4, QStringLiteral("beyond"));  // no such line: nothing
    memo.SetLine(-1, QStringLiteral("before"));
    EXPECT_EQ(memo.toPlainText(), QStringLiteral("ATS0=15&W\n\nats0=5\n\n"));
}

TEST_F(MemoLines, ReplacingALineLeavesTheOperatorsCursorAndScrollWhereTheyWere) {
    memo.resize(300, 120);
    memo.show();
    for (int i = 0; i < 200; ++i) memo.AddLine(QStringLiteral("ATS0=%1").arg(i));
    QTextCursor cursor = memo.textCursor();
    cursor.setPosition(memo.document()->findBlockByNumber(150).position() + 3);
    memo.setTextCursor(cursor);
    memo.ensureCursorVisible();
    const int scrolled = memo.verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);

    memo.SetLine(0, QStringLiteral("ATS0=5"));  // the ring count rewritten
    memo.SetLine(150, QStringLiteral("ATS0=55"));
    EXPECT_EQ(memo.textCursor().blockNumber(), 150);
    EXPECT_EQ(memo.textCursor().positionInBlock(), 3);
    EXPECT_EQ(memo.verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(memo.Line(150), QStringLiteral("ATS0=55"));
}

TEST_F(MemoLines, CharactersKeepTheirCodesAndEveryWayOfBreakingMakesALine) {
    // A no-break space (0xA0 in Windows-1251) stays what it is.
    memo.AddLine(QStringLiteral("AT\u00A0Z"));
    EXPECT_EQ(memo.Line(0), QStringLiteral("AT\u00A0Z"));

    // Shift+Enter and pasted Unicode line separators break lines as Enter
    // does: the memo has no line that is two lines on screen.
    memo.ClearLines();
    memo.setFocus();
    QTest::keyClicks(&memo, QStringLiteral("AT"));
    test::Type(&memo, Qt::Key_Return, Qt::ShiftModifier);
    QTest::keyClicks(&memo, QStringLiteral("Z"));
    EXPECT_EQ(memo.Lines(), (QStringList{"AT", "Z"}));

    memo.ClearLines();
    QGuiApplication::clipboard()->setText(QStringLiteral("ATZ\u2028AT&W\u2029ATS0=2"));
    memo.paste();
    EXPECT_EQ(memo.Lines(), (QStringList{"ATZ", "AT&W", "ATS0=2"}));
}

}  // namespace
}  // namespace hk
