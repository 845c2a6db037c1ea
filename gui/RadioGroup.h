#pragma once
// A captioned group of radio buttons with one selected item index, -1 for
// none; a value set out of range is clamped (below -1 to -1, past the last
// item to the last item), as the program's dialogs expect.

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace hk {

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& objectName, const QString& caption, const QStringList& items,
               int columns, QWidget* parent);

    int ItemIndex() const;
    void SetItemIndex(int index);
    int Count() const { return static_cast<int>(buttons_.size()); }
    QString ItemText(int index) const;
    QRadioButton* Button(int index) const { return buttons_.value(index); }

signals:
    // The operator clicked an item.
    void Clicked(int index);

private:
    QButtonGroup* group_;
    QList<QRadioButton*> buttons_;
};

}  // namespace hk
