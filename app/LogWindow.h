#pragma once
// The exchange log's window «Журнал обмена»: the log's lines as they come
// (a 200 ms timer looks for new ones), with "Сохранить...", "Копировать" and
// "Очистить", and where the log files lie. It follows the traffic live while
// its view is at the bottom; scrolled up, it stays where the operator put it.

#include <QWidget>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTimer;

namespace hk {

class ExchangeLog;
class ViewHooks;

class LogWindow : public QWidget {
    Q_OBJECT
public:
    // Failures of a save go to `view`'s error box.
    LogWindow(ExchangeLog& log, ViewHooks& view, QWidget* parent = nullptr);

    // Shows the window over `owner` (usable also over a modal dialog).
    void ShowOver(QWidget* owner);
    // Takes the lines that came since the last look.
    void TakeNewLines();

    // Replaces the save dialog (tests): returns the chosen path or nothing.
    using SaveChooser = std::function<std::optional<QString>()>;
    void SetSaveChooser(SaveChooser chooser) { saveChooser_ = std::move(chooser); }

private:
    void Save();
    void CopyAll();
    void ClearAll();

    ExchangeLog& log_;
    std::uint64_t next_ = 0;
    QPlainTextEdit* text_ = nullptr;
    QLabel* files_ = nullptr;
    QTimer* timer_ = nullptr;
    ViewHooks& view_;
    SaveChooser saveChooser_;
};

}  // namespace hk
