#pragma once
// Counts the events of some types that reach the watched widgets.
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <algorithm>
#include <initializer_list>
#include <vector>

class TEventCounter : public QObject {
public:
    TEventCounter(std::initializer_list<QWidget*> Watched, std::initializer_list<QEvent::Type> Types) : Types(Types)
    {
        for (QWidget* w : Watched)
            w->installEventFilter(this);
    }
    int Count = 0;

protected:
    bool eventFilter(QObject*, QEvent* E) override
    {
        if (std::find(Types.begin(), Types.end(), E->type()) != Types.end())
            ++Count;
        return false;
    }

private:
    std::vector<QEvent::Type> Types;
};
