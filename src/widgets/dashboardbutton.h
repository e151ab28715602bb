#pragma once

#include <QColor>
#include <QIcon>
#include <QToolButton>

// A tool button on a dashboard. When the style sheet gives it icon colours,
// its icon is drawn as a tinted copy: the active colour while checked, the
// inactive one otherwise (an invalid colour leaves that state untinted).
class DashboardButton : public QToolButton
{
    Q_OBJECT
    Q_PROPERTY(QColor inactiveIconColor READ inactiveIconColor WRITE setInactiveIconColor)
    Q_PROPERTY(QColor activeIconColor READ activeIconColor WRITE setActiveIconColor)

public:
    explicit DashboardButton(QWidget *parent = nullptr);

    QColor inactiveIconColor() const { return m_inactiveColor; }
    void setInactiveIconColor(const QColor &color);
    QColor activeIconColor() const { return m_activeColor; }
    void setActiveIconColor(const QColor &color);

    // The icon as painted now: the tinted copy, or the plain icon.
    QIcon paintedIcon() const;
    // A copy of `icon` filled with `color` wherever it is not transparent,
    // at device pixel ratios 1 and 2.
    static QIcon tinted(const QIcon &icon, QSize size, const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void refreshTints() const;

    QColor m_inactiveColor;
    QColor m_activeColor;
    mutable QIcon m_inactiveTinted;
    mutable QIcon m_activeTinted;
    mutable qint64 m_tintedKey = 0;
    mutable QSize m_tintedSize;
    mutable bool m_tintsValid = false;
};
