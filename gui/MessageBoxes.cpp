#include "gui/MessageBoxes.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>

namespace hk {
namespace {

QMessageBox* MakeBox(QWidget* parent, QMessageBox::Icon icon, const QString& title,
                     const QString& text) {
    auto* box = new QMessageBox(icon, title, text, QMessageBox::NoButton, parent);
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
    return ConfirmBox(parent_, QString::fromStdString(text));
}

void WidgetViewHooks::ShowInformation(const std::string& text) {
    InformationBox(parent_, QString::fromStdString(text));
}

void WidgetViewHooks::ShowError(const std::string& text) {
    ErrorBox(parent_, QString::fromStdString(text));
}

}  // namespace hk
