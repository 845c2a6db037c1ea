// The three message boxes: standard titles and buttons, the Russian text as
// the body, and the answer of a confirmation.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>

#include "gui/MessageBoxes.h"
#include "support/QtApp.h"

namespace hk {
namespace {

struct Seen {
    QString title, text;
    QStringList buttons;
};

// Records the box that opens next and presses the button captioned `press`.
void Answer(Seen& seen, const QString& press) {
    test::OnNextModal([&seen, press](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        seen.title = box->windowTitle();
        seen.text = box->text();
        for (QAbstractButton* b : box->buttons()) {
            seen.buttons << b->text();
            if (b->text() == press) b->click();
        }
    });
}

TEST(MessageBoxes, ConfirmationInformationAndErrorCarryTheirStandardTitlesAndButtons) {
    test::EnsureQApplication();
    Seen confirm;
    Answer(confirm, "&Yes");
    EXPECT_TRUE(ConfirmBox(nullptr, "Будем записывать настройки в КВАРД ?"));
    EXPECT_EQ(confirm.title, "Confirm");
    EXPECT_EQ(confirm.text, "Будем записывать настройки в КВАРД ?");
    EXPECT_EQ(confirm.buttons, (QStringList{"&Yes", "&No"}));

    Seen refuse;
    Answer(refuse, "&No");
    EXPECT_FALSE(ConfirmBox(nullptr, "Перезапустить КВАРД?"));

    Seen info;
    Answer(info, "OK");
    InformationBox(nullptr, "Не указаны настройки или режим ОЧИСТИТЬ");
    EXPECT_EQ(info.title, "Information");
    EXPECT_EQ(info.buttons, QStringList{"OK"});

    // Two sentences joined by a carriage return read as two lines.
    Seen twoLines;
    Answer(twoLines, "OK");
    InformationBox(nullptr, "Несоответствие.\rДля продолжения работы.");
    EXPECT_EQ(twoLines.text, "Несоответствие.\nДля продолжения работы.");

    Seen error;
    Answer(error, "OK");
    WidgetViewHooks hooks;
    hooks.ShowError("Ошибка открытия последовательного порта Com7");
    EXPECT_EQ(error.title, "Error");
    EXPECT_EQ(error.text, "Ошибка открытия последовательного порта Com7");
    EXPECT_EQ(error.buttons, QStringList{"OK"});
}

}  // namespace
}  // namespace hk
