// While a frame is held: the camera's settings that changed since, above the held frame and the
// live picture. A capture device's video carries no settings, which the panel says.
#pragma once

#include "framesource.h"

#include <QRgb>
#include <QVector>
#include <QWidget>

#include <memory>

namespace Ui {
class ComparePanel;
}
class CompareView;

class ComparePanel : public QWidget
{
    Q_OBJECT

public:
    explicit ComparePanel(QWidget* parent = nullptr);
    ~ComparePanel() override;

    CompareView* view() const;
    // What the label says now.
    QString changes() const;

    void hold(const Frame& frame, const QVector<QRgb>& colours);
    // The live frame; one without a picture while there is no signal.
    void showLive(const Frame& frame);
    void setColours(const QVector<QRgb>& colours);

private:
    QImage coloured(const Frame& frame) const;
    void describeChanges();

    std::unique_ptr<Ui::ComparePanel> ui_;
    Frame held_;
    Frame live_;
    QVector<QRgb> colours_;
    QString heldCaption_;
};
