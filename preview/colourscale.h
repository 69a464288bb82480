// The palette as a bar beside the picture, hot at the top, with the counts (or, for a source that
// sends levels, the levels) that its ends and its middle stand for in the frame shown.
#pragma once

#include "tone.h"

#include <QRgb>
#include <QStringList>
#include <QVector>
#include <QWidget>

#include <memory>

class ColourScale : public QWidget
{
    Q_OBJECT

public:
    explicit ColourScale(QWidget* parent = nullptr);

    // The palette's colours, one a level; no marks when tone is null.
    void setScale(const std::shared_ptr<const imaging::Tone>& tone, const QVector<QRgb>& colours);

    // The marks beside the top, the middle and the bottom of the bar, as shown.
    QStringList marks() const { return marks_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect barArea() const;

    QVector<QRgb> colours_;
    QStringList marks_;
    QString unit_;
};
