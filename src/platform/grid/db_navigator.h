#pragma once
// DBNavigator: a row of buttons that move through a grid's rows and drive
// its source's editing, with a chosen set of buttons.

#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QWidget>
#include <map>

class QToolButton;

namespace tarvik::grid {

class DBGrid;

enum class NavButton { First, Prior, Next, Last, Insert, Delete, Edit, Post, Cancel, Refresh };

class DBNavigator : public QWidget {
    Q_OBJECT
public:
    explicit DBNavigator(QWidget* parent = nullptr);

    // Every button, in the order the navigator shows them.
    static QList<NavButton> allButtons();

    void setGrid(DBGrid* grid);
    DBGrid* grid() const { return grid_; }

    void setVisibleButtons(const QList<NavButton>& buttons);
    QList<NavButton> visibleButtons() const { return visible_; }
    QToolButton* button(NavButton b) const;

    // Does what the button does (a hidden or disabled button does nothing).
    void click(NavButton b);

Q_SIGNALS:
    void clicked(tarvik::grid::NavButton b);

private:
    void updateEnabled();
    void watchSource();

    QPointer<DBGrid> grid_;
    QMetaObject::Connection sourceState_;
    QList<NavButton> visible_;
    std::map<NavButton, QToolButton*> buttons_;
};

}  // namespace tarvik::grid
