#include "resources/PictureIconEngine.h"

#include <QPainter>
#include <QSvgRenderer>

PictureIconEngine::PictureIconEngine(const QString& resourcePath) : m_resourcePath(resourcePath) {}

void PictureIconEngine::paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state)
{
    Q_UNUSED(state);
    QSvgRenderer renderer(m_resourcePath);
    if (!renderer.isValid())
        return;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    // A disabled item's picture is faded rather than redrawn, so it keeps its shape.
    if (mode == QIcon::Disabled)
        painter->setOpacity(painter->opacity() * 0.4);
    renderer.render(painter, QRectF(rect));
    painter->restore();
}

QPixmap PictureIconEngine::pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state)
{
    if (size.isEmpty())
        return {};
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    paint(&painter, QRect(QPoint(0, 0), size), mode, state);
    return pixmap;
}

QIconEngine* PictureIconEngine::clone() const { return new PictureIconEngine(m_resourcePath); }

QString PictureIconEngine::key() const { return QStringLiteral("PictureIconEngine"); }

bool PictureIconEngine::isNull() { return !QSvgRenderer(m_resourcePath).isValid(); }
