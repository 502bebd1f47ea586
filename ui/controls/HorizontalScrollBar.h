#pragma once

#include <QScrollBar>

#include <cstdint>
#include <functional>

namespace corvan::ui {

// A horizontal scroll bar from 0 to 32767 that moves by 1 for an arrow and for a click in
// the track. Change is raised when the user releases the thumb, clicks an arrow or the
// track, or when code sets the value, never while the thumb is dragged.
class HorizontalScrollBar : public QScrollBar {
    Q_OBJECT

public:
    static constexpr std::int16_t kMax = 32767;

    explicit HorizontalScrollBar(QWidget* parent = nullptr);

    std::int16_t value16() const { return static_cast<std::int16_t>(value()); }
    std::int16_t max16() const { return static_cast<std::int16_t>(maximum()); }

    std::function<void()> onChange;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace corvan::ui
