#pragma once
// The three modal message boxes of the program, with their standard titles
// and buttons, and the ViewHooks that GUI-free logic reaches them through.

#include <QString>

#include "link/ViewHooks.h"

class QWidget;

namespace hk {

// "Confirm" with "&Yes"/"&No"; true for Yes.
bool ConfirmBox(QWidget* parent, const QString& text);
// "Information" with "OK".
void InformationBox(QWidget* parent, const QString& text);
// "Error" with "OK".
void ErrorBox(QWidget* parent, const QString& text);

class WidgetViewHooks : public ViewHooks {
public:
    explicit WidgetViewHooks(QWidget* parent = nullptr) : parent_(parent) {}
    void SetParent(QWidget* parent) { parent_ = parent; }
    void ProcessMessages() override;
    bool Confirm(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    void ShowError(const std::string& text) override;

private:
    QWidget* parent_;
};

}  // namespace hk
