#pragma once
// The mini player's position bar: a marker over the range 0..maximum on a gradient
// groove. The user can click or drag the marker; nothing listens to that. The logic
// sets the maximum and the position under the rules of CheckedPositionBar.

#include "base/Controls.h"

#include <QSlider>

namespace ondrevo {

class QtPositionBar : public QSlider, public CheckedPositionBar {
public:
    explicit QtPositionBar(QWidget* parent = nullptr);

    int Max() const override { return maximum(); }
    int Position() const override { return value(); }

    static constexpr int kDefaultHeight = 24;

protected:
    void StoreRange(int max, int position) override;
};

} // namespace ondrevo
