#include "gui/MessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace hk {
namespace {

// Message texts separate their lines with a carriage return, as the
// controller's kit message does; on screen that is a line break.
QString OnScreen(QString text) {
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// A box opened while a dialog is up belongs over that dialog.
QWidget* Owner(QWidget* parent) {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return parent;
}

QMessageBox* MakeBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                     const QString& text) {
    auto* box = new QMessageBox(icon, title, OnScreen(text), QMessageBox::NoButton, parent);
    box->setTextFormat(Qt::PlainText);
    box->setObjectName(title);
    box->setAttribute(Qt::WA_DeleteOnClose, false);
    return box;
}

}  // namespace

bool ConfirmBox(QWidget* parent, const QString& text) {
    QMessageBox* box = MakeBox(parent, QMessageBox::Question, QStringLiteral("Confirm"), text);
    QPushButton* yes = box->addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box->addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(no);
    box->exec();
    const bool answer = box->clickedButton() == yes;
    delete box;
    return answer;
}

void InformationBox(QWidget* parent, const QString& text) {
    QMessageBox* box =
        MakeBox(parent, QMessageBox::Information, QStringLiteral("Information"), text);
    box->setEscapeButton(box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
    box->exec();
    delete box;
}

void ErrorBox(QWidget* parent, const QString& text) {
    QMessageBox* box = MakeBox(parent, QMessageBox::Critical, QStringLiteral("Error"), text);
    box->setEscapeButton(box->addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
    box->exec();
    delete box;
}

void WidgetViewHooks::ProcessMessages() { QCoreApplication::processEvents(); }

bool WidgetViewHooks::Confirm(const std::string& text) {
    return ConfirmBox(Owner(parent_), QString::fromStdString(text));
}

void WidgetViewHooks::ShowInformation(const std::string& text) {
    InformationBox(Owner(parent_), QString::fromStdString(text));
}

void WidgetViewHooks::ShowError(const std::string& text) {
    ErrorBox(Owner(parent_), QString::fromStdString(text));
}

}  // namespace hk
