#pragma once

#include <QPointer>
#include <QWidget>

class SoftKeyBar;
class QVBoxLayout;

// The full-screen page that the main window and every dialog share: a title strip showing the
// window's title, the content, and the soft-key bar at the bottom.
class PhonePage : public QWidget {
    Q_OBJECT

public:
    // The screen a page is laid out for when nobody gives it a size.
    static constexpr int DefaultWidth = 240;
    static constexpr int DefaultHeight = 320;

    explicit PhonePage(QWidget* parent = nullptr);

    // The page takes the widget and deletes the one it had.
    void setContent(QWidget* content);
    QWidget* content() const { return m_content; }
    SoftKeyBar* softKeyBar() const { return m_softKeyBar; }

    // The text of the title strip: the title of the window the page is in.
    QString title() const;
    int titleStripHeight() const;

    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void watchWindow();
    QFont titleFont() const;

    QVBoxLayout* m_layout = nullptr;
    QPointer<QWidget> m_content;
    SoftKeyBar* m_softKeyBar = nullptr;
    QPointer<QWidget> m_watchedWindow;
};
