#include "gui/RadioGroup.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>

namespace hk {

RadioGroup::RadioGroup(const QString& objectName, const QString& caption, const QStringList& items,
                       int columns, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
    setObjectName(objectName);
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(6, 2, 6, 2);
    grid->setVerticalSpacing(0);
    grid->setHorizontalSpacing(4);
    const int cols = columns > 0 ? columns : 1;
    const int perColumn = (static_cast<int>(items.size()) + cols - 1) / cols;
    for (int i = 0; i < items.size(); ++i) {
        auto* b = new QRadioButton(items[i], this);
        b->setObjectName(objectName + QString::number(i));
        buttons_.append(b);
        group_->addButton(b, i);
        grid->addWidget(b, perColumn > 0 ? i % perColumn : i, perColumn > 0 ? i / perColumn : 0);
    }
    connect(group_, &QButtonGroup::idClicked, this, &RadioGroup::Clicked);
}

int RadioGroup::ItemIndex() const { return group_->checkedId(); }

void RadioGroup::SetItemIndex(int index) {
    if (index < -1) index = -1;
    if (index >= Count()) index = Count() - 1;
    if (index < 0) {
        group_->setExclusive(false);
        for (auto* b : buttons_) b->setChecked(false);
        group_->setExclusive(true);
        return;
    }
    buttons_[index]->setChecked(true);
}

QString RadioGroup::ItemText(int index) const {
    return index >= 0 && index < Count() ? buttons_[index]->text() : QString();
}

}  // namespace hk
