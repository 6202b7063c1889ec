#pragma once

#include <QButtonGroup>
#include <QStringList>
#include <QWidget>

namespace ombrel::ui {

// A row of joined, mutually exclusive buttons; segment i is choice i.
class SegmentedControl : public QWidget {
    Q_OBJECT
public:
    explicit SegmentedControl(const QStringList& segments, QWidget* parent = nullptr);

    int current() const { return group_.checkedId(); }
    // Shows `index` without announcing it.
    void setCurrent(int index);

signals:
    // The user chose another segment.
    void chosen(int index);

private:
    QButtonGroup group_;
};

}  // namespace ombrel::ui
