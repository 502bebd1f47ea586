#pragma once

#include "ui/tools/WaveformEnvelope.h"

#include <QWidget>

#include <optional>

namespace corvan::ui {

// Draws a recording's envelope and the loop on it: the part the game repeats shaded, its
// start and end marked.
class WaveformView : public QWidget {
    Q_OBJECT

public:
    explicit WaveformView(QWidget* parent = nullptr);

    void setEnvelope(WaveformEnvelope envelope);
    // The loop as shares of the recording (0 to 1); nothing for no loop.
    struct Region {
        double start = 0, end = 0;
    };
    void setRegion(std::optional<Region> region);
    // Shown in place of the waveform, e.g. while it is being read.
    void setMessage(const QString& message);

    const WaveformEnvelope& envelope() const { return envelope_; }
    const std::optional<Region>& region() const { return region_; }

    QSize sizeHint() const override { return {560, 140}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    WaveformEnvelope envelope_;
    std::optional<Region> region_;
    QString message_;
};

}  // namespace corvan::ui
