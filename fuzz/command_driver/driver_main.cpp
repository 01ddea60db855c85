// The random-command driver: from a seed, long sequences of the user's
// commands on the main window through real mouse and key events, with the
// window's grids checked against the model after every step. See
// fuzz/README.md.

#include "driver_commands.h"
#include "driver_names.h"
#include "driver_world.h"

#include "app_test_support.h"
#include "core/model/bouquet_list.h"
#include "core/model/save_handler.h"
#include "core/model/service_list.h"
#include "ui/program/program.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <thread>

namespace {

std::atomic<int> g_step{0};
std::atomic<qint64> g_stepStarted{0};

qint64 nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void say(const QString &text)
{
    std::fprintf(stdout, "%s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

// A step that never ends is a finding too: named, then the run stops.
void watchSteps(int limitSeconds)
{
    std::thread([limitSeconds] {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::seconds(1));
            const qint64 started = g_stepStarted.load();
            if (started && nowMs() - started > qint64(limitSeconds) * 1000) {
                std::fprintf(stdout, "FINDING HANG step %d took more than %d s\n", g_step.load(), limitSeconds);
                std::fflush(stdout);
                std::abort();
            }
        }
    }).detach();
}

const std::pair<TDriverLists, const char *> kListNames[] = {
    {TDriverLists::Demo, "demo"},
    {TDriverLists::Big, "big"},
    {TDriverLists::CableWithSatelliteMine, "cable-sat"},
    {TDriverLists::SatelliteWithCableMine, "sat-cable"},
};

std::optional<TDriverLists> listsNamed(const QString &name)
{
    for (const auto &[lists, text] : kListNames) {
        if (name == QLatin1String(text))
            return lists;
    }
    return std::nullopt;
}

QString listsText(TDriverLists lists)
{
    switch (lists) {
    case TDriverLists::Big:
        return QStringLiteral("generated 20,000 services");
    case TDriverLists::CableWithSatelliteMine:
        return QStringLiteral("cable services, satellite my services");
    case TDriverLists::SatelliteWithCableMine:
        return QStringLiteral("satellite services, cable my services");
    case TDriverLists::Demo:
        break;
    }
    return QStringLiteral("demo");
}

QList<int> parseSteps(const QString &text)
{
    QList<int> steps;
    for (const QString &part : text.split(u',', Qt::SkipEmptyParts)) {
        const int dash = int(part.indexOf(u'-'));
        if (dash > 0) {
            for (int s = part.left(dash).toInt(); s <= part.mid(dash + 1).toInt(); ++s)
                steps.append(s);
        } else {
            steps.append(part.toInt());
        }
    }
    return steps;
}

QString stepsText(const QList<int> &steps)
{
    QStringList parts;
    for (int s : steps)
        parts.append(QString::number(s));
    return parts.join(u',');
}

void usage()
{
    say(QStringLiteral(
        "pelloran_command_driver [--seed N] [--steps N] [--minutes M] [--big] [--lists L] [--only 1,5,9-12]\n"
        "    [--without name,...] [--strict-selection] [--file-faults] [--step-limit S] [--minimise]\n"
        "  --seed       the run's seed (steps draw from seed and step number)\n"
        "  --steps      how many steps (default 300; with --minutes: no limit)\n"
        "  --minutes    stop after this long\n"
        "  --big        a generated 20,000-service list instead of the demo lists (--lists big)\n"
        "  --lists      demo, big, cable-sat (cable services, satellite my services) or sat-cable\n"
        "  --only       run just these steps of the seed (to replay a shortened finding)\n"
        "  --without    leave out commands, tool buttons or menu items by name\n"
        "  --strict-selection  a selection finding ends the run\n"
        "  --file-faults  Save, Go Back and History items meet failing file steps\n"
        "  --report-only  findings that do not end the run leave the exit status 0\n"
        "  --minimise   after a failing run, find a shortest list of its steps that fails the same way"));
}

// The finding's kind, to tell whether a shorter run fails the same way.
QString signatureOf(const QString &output)
{
    // A sanitizer's report or a finding that ended the run, else the last
    // finding reported.
    QString last;
    for (const QString &line : output.split(u'\n')) {
        if (line.contains(QLatin1String("ERROR: AddressSanitizer:")))
            return line.section(QStringLiteral("ERROR: AddressSanitizer: "), 1).section(u' ', 0, 0);
        if (line.contains(QLatin1String("runtime error:")))
            return QStringLiteral("runtime error");
        if (!line.startsWith(QLatin1String("FINDING ")))
            continue;
        last = line.section(u' ', 1, 3);
        for (const char *fatal : {"ROWS", "ROUNDTRIP", "DELETE", "HANG", "HISTORY"}) {
            if (line.section(u' ', 1, 1) == QLatin1String(fatal))
                return last;
        }
    }
    return last;
}

bool failsTheSame(const QStringList &baseArguments, const QList<int> &steps, const QString &signature)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                baseArguments + QStringList{QStringLiteral("--only"), stepsText(steps)});
    child.waitForFinished(-1);
    const QString output = QString::fromUtf8(child.readAll());
    return signatureOf(output) == signature;
}

// Delta debugging over the step numbers: drops chunks of steps while the
// run still fails the same way.
int minimise(const QStringList &baseArguments, int lastStep)
{
    QList<int> steps;
    for (int s = 1; s <= lastStep; ++s)
        steps.append(s);
    QProcess first;
    first.setProcessChannelMode(QProcess::MergedChannels);
    first.start(QCoreApplication::applicationFilePath(), baseArguments);
    first.waitForFinished(-1);
    const QString output = QString::fromUtf8(first.readAll());
    const QString signature = signatureOf(output);
    if (signature.isEmpty()) {
        say(QStringLiteral("minimise: the run does not fail"));
        return 0;
    }
    // The failing step: the last one the run began.
    int failing = lastStep;
    for (const QString &line : output.split(u'\n')) {
        if (line.startsWith(QLatin1String("step ")))
            failing = line.section(u' ', 1, 1).remove(u':').toInt();
    }
    steps = steps.mid(0, failing);
    say(QStringLiteral("minimise: \"%1\" at step %2").arg(signature).arg(failing));
    int chunks = 2;
    while (steps.size() >= 2) {
        const int size = int((steps.size() + chunks - 1) / chunks);
        bool reduced = false;
        for (int start = 0; start < steps.size(); start += size) {
            QList<int> rest = steps.mid(0, start) + steps.mid(start + size);
            if (rest.isEmpty() || !rest.contains(steps.last()))
                continue;
            if (failsTheSame(baseArguments, rest, signature)) {
                steps = rest;
                chunks = std::max(chunks - 1, 2);
                reduced = true;
                say(QStringLiteral("minimise: %1 steps left").arg(steps.size()));
                break;
            }
        }
        if (!reduced) {
            if (chunks >= steps.size())
                break;
            chunks = std::min(int(steps.size()), chunks * 2);
        }
    }
    say(QStringLiteral("MINIMAL --only %1").arg(stepsText(steps)));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    TDriverOptions options;
    bool minimiseRun = false;
    int stepLimit = 300;
    QStringList passOn;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        const QString value = i + 1 < argc ? QString::fromLocal8Bit(argv[i + 1]) : QString();
        const bool takesValue = arg == QLatin1String("--seed") || arg == QLatin1String("--steps")
            || arg == QLatin1String("--minutes") || arg == QLatin1String("--only") || arg == QLatin1String("--without")
            || arg == QLatin1String("--step-limit") || arg == QLatin1String("--lists");
        if (arg == QLatin1String("--minimise")) {
            minimiseRun = true;
            continue;
        }
        if (arg != QLatin1String("--only")) {
            passOn.append(arg);
            if (takesValue)
                passOn.append(value);
        }
        if (arg == QLatin1String("--seed"))
            options.seed = value.toULongLong();
        else if (arg == QLatin1String("--steps"))
            options.steps = value.toInt();
        else if (arg == QLatin1String("--minutes"))
            options.minutes = value.toDouble();
        else if (arg == QLatin1String("--only"))
            options.only = parseSteps(value);
        else if (arg == QLatin1String("--without"))
            options.without = value.split(u',', Qt::SkipEmptyParts);
        else if (arg == QLatin1String("--step-limit"))
            stepLimit = value.toInt();
        else if (arg == QLatin1String("--big"))
            options.lists = TDriverLists::Big;
        else if (arg == QLatin1String("--lists") && listsNamed(value))
            options.lists = *listsNamed(value);
        else if (arg == QLatin1String("--strict-selection"))
            options.strictSelection = true;
        else if (arg == QLatin1String("--file-faults"))
            options.fileFaults = true;
        else if (arg == QLatin1String("--report-only"))
            options.reportOnly = true;
        else if (arg == QLatin1String("--verbose"))
            options.verbose = true;
        else {
            usage();
            return arg == QLatin1String("--help") ? 0 : 64;
        }
        if (takesValue)
            ++i;
    }
    // The driver's own QApplication (offscreen, the tests' style) comes
    // before anything asks for one.
    appTestApp();
    if (minimiseRun)
        return minimise(passOn, options.steps);
    // A replay runs up to its last step whatever --steps says.
    if (!options.only.isEmpty())
        options.steps = std::max(options.steps, *std::max_element(options.only.cbegin(), options.only.cend()));
    if (options.minutes > 0 && options.steps == 300)
        options.steps = 1 << 30;

    say(QStringLiteral("seed %1 steps %2 minutes %3 list %4")
            .arg(options.seed)
            .arg(options.steps)
            .arg(options.minutes)
            .arg(listsText(options.lists)));
    TDriverWorld world(options);
    watchSteps(stepLimit);
    std::vector<const TDriverCommand *> pool;
    int totalWeight = 0;
    for (const TDriverCommand &command : driverCommands()) {
        if (options.without.contains(QLatin1String(command.name)))
            continue;
        pool.push_back(&command);
        totalWeight += command.weight;
    }
    QElapsedTimer clock;
    clock.start();
    QHash<QString, int> seen;
    int findings = 0;
    int done = 0;
    for (int step = 1; step <= options.steps; ++step) {
        if (options.minutes > 0 && clock.elapsed() > qint64(options.minutes * 60000))
            break;
        if (!options.only.isEmpty() && !options.only.contains(step)) {
            if (step > options.only.last())
                break;
            continue;
        }
        world.draw.reseed(options.seed, step);
        int ticket = world.draw.below(totalWeight);
        const TDriverCommand *command = pool.front();
        for (const TDriverCommand *c : pool) {
            if (ticket < c->weight) {
                command = c;
                break;
            }
            ticket -= c->weight;
        }
        // With every list gone there is little left to try: the lists come
        // back from the receiver.
        if (world.program().ServiceList->Count() == 0 && world.program().BouquetList->Count() == 0) {
            for (const TDriverCommand &c : driverCommands()) {
                if (QLatin1String(c.name) == QLatin1String("import-all"))
                    command = &c;
            }
        }
        world.newStep();
        g_step = step;
        g_stepStarted = nowMs();
        say(QStringLiteral("step %1: %2").arg(step).arg(QLatin1String(command->name)));
        TStepResult result;
        const TNamedEntries named = namedEntries(world.program());
        command->run(world, result);
        QCoreApplication::processEvents();
        g_stepStarted = 0;
        ++done;
        say(QStringLiteral("  %1").arg(result.text));
        for (const QString &line : world.modalLog + world.prompts.log)
            say(QStringLiteral("    %1").arg(line));
        QList<const TListGrid *> chosen = result.chosen;
        if (result.choseAll) {
            for (const TGridInfo &info : world.grids())
                chosen.append(info.grid);
        }
        QStringList stepFindings = result.findings + world.check(chosen, result.results, result.saved, step);
        if (result.keepsNames)
            stepFindings += lostNames(named, world.program(), result.dataMayGo, result.changedOnPurpose);
        bool stop = false;
        for (const QString &finding : stepFindings) {
            const QString kind = finding.section(u' ', 0, 0);
            const QString signature = finding.section(u' ', 0, 2) + u'/' + QLatin1String(command->name);
            ++findings;
            const bool fatal = kind == QLatin1String("ROWS") || kind == QLatin1String("ROUNDTRIP")
                || kind == QLatin1String("HISTORY")
                || kind == QLatin1String("DELETE")
                || (options.strictSelection
                    && (kind == QLatin1String("SELECTION") || kind == QLatin1String("CLICK")
                        || kind == QLatin1String("RESULT")));
            if (seen.contains(signature) && !fatal) {
                ++seen[signature];
                say(QStringLiteral("  finding again: %1").arg(signature));
                continue;
            }
            seen.insert(signature, 1);
            say(QStringLiteral("FINDING %1 (seed %2 step %3)").arg(finding).arg(options.seed).arg(step));
            stop = stop || fatal;
        }
        if (stop) {
            say(QStringLiteral("stopped at step %1 after %2 steps: replay with --seed %3 --steps %1")
                    .arg(step)
                    .arg(done)
                    .arg(options.seed));
            SaveHandler().SetSaved();
            return 2;
        }
    }
    say(QStringLiteral("done: %1 steps in %2 s, %3 findings of %4 kinds")
            .arg(done)
            .arg(clock.elapsed() / 1000)
            .arg(findings)
            .arg(seen.size()));
    for (auto it = seen.cbegin(); it != seen.cend(); ++it)
        say(QStringLiteral("  %1 x %2").arg(it.value()).arg(it.key()));
    SaveHandler().SetSaved();
    return findings == 0 || options.reportOnly ? 0 : 1;
}
