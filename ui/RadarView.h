#pragma once

#include "ui/RadarScene.h"

#include <QPixmap>
#include <QWidget>

namespace nearbell {

// The radar drawing: the own station in the centre, rings at the alarm
// range and half of it, the stations of the last cycle around it.
//
// Responsibilities:
//  - draw the scene in the desktop's palette and at the screen's scale:
//    stations in lstStations red, acknowledged ones grey, watched ones in
//    the watch colour, the nearer on top;
//  - without an own position, say why and draw nothing else;
//  - redraw when given a new cycle, a new size or a new palette, never
//    otherwise;
//  - on hover, show the station's label and its hover text; a click tells
//    which station was chosen, a double click which is to be opened;
//  - offer the stations to assistive technology as a list.
class RadarView : public QWidget
{
    Q_OBJECT
public:
    explicit RadarView(QWidget *parent = nullptr);

    void setInput(const RadarInput &input);
    const RadarScene &scene() const { return m_scene; }
    int hovered() const { return m_hovered; }

    // Draws the whole picture; paintEvent and tests use it.
    void paint(QPainter &painter);

    static QColor colour(SeenStation::Kind kind);
    // Above this many stations they are drawn as small squares.
    static constexpr qsizetype denseMarks = 4000;

signals:
    void stationClicked(const QString &callsign);
    void stationActivated(const QString &callsign);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;

private:
    void rebuild();
    void setHovered(int mark);
    const QPixmap &stamp(SeenStation::Kind kind, qreal ratio);

    RadarInput m_input;
    RadarScene m_scene;
    int m_hovered = -1;
    QPixmap m_stamps[3];
};

} // namespace nearbell
