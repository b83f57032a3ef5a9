#pragma once

#include <QIconEngine>
#include <QString>

// An icon engine that draws one SVG picture of the program afresh at every size and device
// pixel ratio, so a tree icon never comes out as a scaled bitmap. It does not depend on Qt's
// SVG icon-engine plugin being found at run time.
class PictureIconEngine : public QIconEngine {
public:
    explicit PictureIconEngine(const QString& resourcePath);

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine* clone() const override;
    QString key() const override;
    bool isNull() override;

private:
    QString m_resourcePath;
};
