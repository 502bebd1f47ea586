#include "WaveformView.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace corvan::ui {

WaveformView::WaveformView(QWidget* parent) : QWidget(parent) {
    setMinimumSize(240, 100);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void WaveformView::setEnvelope(WaveformEnvelope envelope) {
    envelope_ = std::move(envelope);
    message_.clear();
    update();
}

void WaveformView::setRegion(std::optional<Region> region) {
    region_ = region;
    update();
}

void WaveformView::setMessage(const QString& message) {
    envelope_ = {};
    message_ = message;
    update();
}

void WaveformView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect().adjusted(0, 0, -1, -1);
    painter.fillRect(area, palette().base());
    const int width = area.width();
    const double middle = area.top() + area.height() / 2.0;
    const double half = area.height() / 2.0 - 2;

    if (region_ && width > 0) {
        const auto x = [&](double share) {
            return area.left() + static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * width));
        };
        const int left = x(region_->start), right = x(region_->end);
        QColor shade = palette().highlight().color();
        shade.setAlpha(60);
        painter.fillRect(QRect(left, area.top(), std::max(1, right - left), area.height()), shade);
    }

    if (!envelope_.empty() && width > 0) {
        painter.setPen(palette().text().color());
        const auto columns = static_cast<double>(envelope_.low.size());
        for (int px = 0; px < width; ++px) {
            // Each pixel covers one or more columns; it shows their extremes.
            const auto from = static_cast<std::size_t>(px * columns / width);
            const auto to =
                std::max(from + 1, static_cast<std::size_t>((px + 1) * columns / width));
            float low = envelope_.low[from], high = envelope_.high[from];
            for (std::size_t c = from + 1; c < to && c < envelope_.low.size(); ++c) {
                low = std::min(low, envelope_.low[c]);
                high = std::max(high, envelope_.high[c]);
            }
            const int x = area.left() + px;
            painter.drawLine(x, static_cast<int>(std::lround(middle - high * half)), x,
                             static_cast<int>(std::lround(middle - low * half)));
        }
    } else if (!message_.isEmpty()) {
        painter.setPen(palette().placeholderText().color());
        painter.drawText(area, Qt::AlignCenter, message_);
    }

    if (region_ && width > 0) {
        QPen marker(palette().highlight().color());
        marker.setWidth(2);
        painter.setPen(marker);
        for (const double share : {region_->start, region_->end}) {
            const int x =
                area.left() + static_cast<int>(std::lround(std::clamp(share, 0.0, 1.0) * width));
            painter.drawLine(x, area.top(), x, area.bottom());
        }
    }
    painter.setPen(palette().mid().color());
    painter.drawRect(area);
}

}  // namespace corvan::ui
