#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class TDriverWorld;
class TListGrid;

// What a step did, for the log and the checks.
struct TStepResult {
    QString text;
    // The grids whose selection the step itself chose (a click, a command
    // that selects its result); every other grid keeps the user's.
    QList<const TListGrid *> chosen;
    // What the grids a command acted on must select afterwards: the
    // command's result, by object.
    QHash<const TListGrid *, QList<const void *>> results;
    // Every grid's selection is the step's (a reload of the lists).
    bool choseAll = false;
    // The step saved: the files must load into the same lists.
    bool saved = false;
    // Findings the step itself made (what a click or key must select).
    QStringList findings;
    // The command is to keep what every entry names (Optimize, adding
    // services to the my-services); the data services' names may go when
    // it removed data services on purpose.
    bool keepsNames = false;
    bool dataMayGo = false;
    // The entries the command changed on purpose (the my-services entries
    // an add gave the action it names), which may name another service now.
    QSet<const void *> changedOnPurpose;
};

// One of the user's commands, drawn by weight.
struct TDriverCommand {
    const char *name;
    int weight;
    std::function<void(TDriverWorld &, TStepResult &)> run;
};

const std::vector<TDriverCommand> &driverCommands();
