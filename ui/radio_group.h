// SPDX-License-Identifier: MIT
// A captioned group of radio buttons with an item index: -1 when no item is selected, as a
// settings file may ask for.
#pragma once

#include <QGroupBox>
#include <QStringList>

class QButtonGroup;

namespace dorvanel {

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    int ItemIndex() const { return itemIndex_; }
    // Any integer is kept; only 0 … count - 1 select a button.
    void SetItemIndex(int index);

signals:
    // The user clicked an item.
    void Clicked();

private:
    QButtonGroup* buttons_;
    int itemIndex_ = -1;
};

} // namespace dorvanel
