#pragma once

#include "ui/PixelLayer.h"
#include "ui/RadarScene.h"

#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

namespace nearbell {

class TileService;

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
//  - offer the stations to assistive technology as a list;
//  - with the map on, draw the tiles held under everything, aligned with
//    it, ask for the tiles the view needs, and keep the attribution in the
//    bottom-right corner; say on mapNoteChanged why the map is not drawn or
//    tiles are missing;
//  - symbols as icons with the colour ring, tracks fading to the oldest,
//    arrows of five minutes' travel, faint stations beyond the range and
//    the overlay objects with their names;
//  - the wheel and "+"/"-" zoom, dragging pans, centre() goes back to the
//    own position; none of it touches the alarm range.
class RadarView : public QWidget
{
    Q_OBJECT
public:
    explicit RadarView(QWidget *parent = nullptr);

    void setInput(const RadarInput &input);
    // The tiles come from here (not owned); null: no map at all.
    void setTileService(TileService *tiles);
    void setMapShown(bool shown);
    bool mapWanted() const { return m_mapWanted; }
    QString mapNote() const { return m_mapNote; }

    double zoom() const { return m_zoom; }
    // Zooms by 1.25 per step (negative: out), around the window's middle.
    void zoomSteps(double steps);
    void centre();
    const RadarScene &scene() const { return m_scene; }
    int hovered() const { return m_hovered; }

    // Draws the whole picture; paintEvent and tests use it.
    void paint(QPainter &painter);

    static QColor colour(SeenStation::Kind kind);
    // Above this many stations they are drawn as small squares.
    static constexpr qsizetype denseMarks = 4000;
    static constexpr int iconSide = 16;       // pixels of a symbol
    static constexpr int faintIconSide = 11;

signals:
    void stationClicked(const QString &callsign);
    void stationActivated(const QString &callsign);
    void mapNoteChanged(const QString &note);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void rebuild();
    void updateNote();
    void setHovered(int mark);
    const QPixmap &stamp(SeenStation::Kind kind, qreal ratio);
    // The icon of a symbol; kind -1: faint, without a ring.
    const QPixmap &icon(char table, char code, int kind, qreal ratio);
    // The tiles under the veil, and the rings, drawn again only when the
    // view or the tiles changed: a new cycle on the same view copies them.
    const QImage &mapLayer(qreal ratio);
    // A label's text, on the map with a veil under it, kept by its text.
    const QImage &labelImage(const QString &text, const QSizeF &size, bool backed, qreal ratio);
    void paintTiles(QPainter &painter);
    void paintMotion(QPainter &painter);
    void paintMarks(QPainter &painter);
    void paintAttribution(QPainter &painter);

    RadarInput m_input;
    RadarScene m_scene;
    int m_hovered = -1;
    QPixmap m_stamps[3];
    QHash<quint32, QPixmap> m_icons;
    PixelLayer m_layer; // tracks, arrows and the small squares
    QImage m_mapLayer;
    MapProjection m_mapLayerProjection;
    int m_mapLayerZoom = -1;
    QList<QPolygonF> m_mapLayerRings;
    QHash<QString, QImage> m_labelImages;
    bool m_labelsBacked = false;
    qreal m_labelsRatio = 1.0;
    QPointer<TileService> m_tiles;
    bool m_mapWanted = false;
    bool m_closed = false; // hidden after being shown: no tiles wanted
    QString m_mapNote;
    double m_zoom = 1.0;
    QPointF m_pan;
    QPointF m_pressedAt;
    QPointF m_panAtPress;
    bool m_pressed = false;
    bool m_dragged = false;
};

} // namespace nearbell
