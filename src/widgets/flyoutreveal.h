#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

// Shows a flyout window fully transparent and makes it opaque once it has
// painted (or after 100 ms), so it never flashes up before its first frame.
// Each reveal is one generation; only the latest one counts, and only while
// the flyout is still showing.
class FlyoutReveal : public QObject
{
    Q_OBJECT

public:
    static constexpr int FallbackMs = 100;

    explicit FlyoutReveal(QObject *parent = nullptr);

    void reveal(QWidget *flyout);
    QWidget *flyout() const { return m_flyout; }

signals:
    void revealed(QWidget *flyout);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void finish(quint64 generation);
    void forget();

    QPointer<QWidget> m_flyout;
    quint64 m_generation = 0;
    quint64 m_revealedGeneration = 0;
};
