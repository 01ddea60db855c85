#include "settings_stand_ins.h"

#include "ui/editors/lg_color_picker.h"
#include "ui/grid/column_kinds.h"
#include "ui/grid/list_grid.h"

#include <QAction>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGuiApplication>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSplitter>

namespace settings_test {

namespace {

// Every stand-in starts either all ticked (the last button of each radio
// group) or all clear, so a default shows whichever way it points.
void buildMainWindow(TProgram &program, bool startChecked)
{
    auto main = std::make_unique<QWidget>();
    auto *splitter = new QSplitter(Qt::Horizontal, main.get());
    splitter->setObjectName("Splitter");
    // As wide as the screen allows the window to be: the panel's width
    // is then limited by the window only.
    splitter->setGeometry(0, 0, QGuiApplication::primaryScreen()->availableGeometry().width(), 400);
    auto *left = new QWidget(splitter);
    auto *panel = new QWidget(splitter);
    panel->setObjectName("PnlBouquets");
    splitter->addWidget(left);
    splitter->addWidget(panel);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    for (const StandInGrid &g : kGrids) {
        auto *grid = new TListGrid(g.name == QLatin1String("BouquetGrid") ? panel : left);
        grid->setObjectName(g.name);
        for (int i = 0; i < g.columns; ++i) {
            TLgCustomColumn *column = grid->Columns()->Add<TLgTextColumn>(QString("Col%1").arg(i));
            if (i == g.fixedColumn) {
                TColumnOptions options = column->Options();
                options.include(coFixedSize);
                column->SetOptions(options);
                column->SetWidth(kFixedWidth);
            }
        }
        const QString prefix = QLatin1String("Action") + g.prefix;
        const QStringList &words = g.prefix == QLatin1String("Kof")   ? kKingOfSatWords
                                   : g.prefix == QLatin1String("Bou") ? kBouquetWords
                                                                      : kServiceWords;
        QStringList names;
        for (const QString &w : words)
            names << prefix + "Col" + w;
        names << prefix + "Toolbar";
        if (g.prefix == QLatin1String("Bou"))
            names << "ActionBouListToolbar";
        for (const QString &name : names) {
            auto *action = new QAction(name, main.get());
            action->setObjectName(name);
            action->setCheckable(true);
            action->setChecked(startChecked);
        }
    }
    program.AddForm("FrmMain", std::move(main));
}

} // namespace

void buildStandIns(TProgram &program, bool startChecked)
{
    for (const StandInForm &f : kForms) {
        auto form = std::make_unique<QWidget>();
        for (const char *name : f.checks) {
            auto *box = new QCheckBox(form.get());
            box->setObjectName(name);
            box->setChecked(startChecked);
        }
        for (const auto &group : f.radioGroups) {
            auto *parent = new QWidget(form.get());
            QButtonGroup *buttonGroup = nullptr;
            if (QLatin1String(group.front()) == QLatin1String("BtnCsvFile"))
                buttonGroup = new QButtonGroup(parent);
            for (const char *name : group) {
                auto *button = new QRadioButton(parent);
                button->setObjectName(name);
                if (buttonGroup)
                    buttonGroup->addButton(button);
            }
            if (startChecked)
                parent->findChild<QRadioButton *>(group.back())->setChecked(true);
        }
        for (const char *name : f.edits)
            (new QLineEdit(form.get()))->setObjectName(name);
        if (f.name == QLatin1String("FrmListGenerator")) {
            (new QListWidget(form.get()))->setObjectName("Columns");
            (new TLgColorPicker(form.get()))->setObjectName("ColorPickerHeader");
            (new TLgColorPicker(form.get()))->setObjectName("ColorPickerBody");
        }
        if (f.name == QLatin1String("FrmBackupManager"))
            (new QListWidget(form.get()))->setObjectName("BoxFiles");
        if (f.name == QLatin1String("FrmLogoManager")) {
            auto *slider = new QSlider(Qt::Horizontal, form.get());
            slider->setObjectName("TrackBarSize");
            slider->setRange(16, 39);
            slider->setValue(39);
        }
        program.AddForm(f.name, std::move(form));
    }
    buildMainWindow(program, startChecked);
}


QSize screenRoom()
{
    appTestApp();
    return QGuiApplication::primaryScreen()->availableGeometry().size();
}

std::map<QString, QString> snapshot(const World &w)
{
    std::map<QString, QString> state;
    for (const StandInForm &f : kForms) {
        QWidget *form = w.program.Form(f.name);
        const QString at = QLatin1String(f.name) + '.';
        for (auto *b : form->findChildren<QAbstractButton *>())
            if (!b->objectName().isEmpty())
                state[at + b->objectName()] = b->isChecked() ? "1" : "0";
        for (auto *e : form->findChildren<QLineEdit *>())
            if (!e->objectName().isEmpty())
                state[at + e->objectName()] = e->text();
        for (auto *l : form->findChildren<QListWidget *>()) {
            QStringList items;
            for (int i = 0; i < l->count(); ++i)
                items << l->item(i)->text() + (l->item(i)->checkState() == Qt::Checked ? "+" : "");
            state[at + l->objectName()] = items.join('|');
        }
        for (auto *s : form->findChildren<QSlider *>())
            state[at + s->objectName()] = QString::number(s->value());
        for (auto *p : form->findChildren<TLgColorPicker *>())
            state[at + p->objectName()] = p->SelectedColor().value_or(QColor()).name();
    }
    for (auto *a : w.main()->findChildren<QAction *>())
        state["FrmMain." + a->objectName()] = a->isChecked() ? "1" : "0";
    for (const StandInGrid &g : kGrids) {
        const TLgColumns *columns = w.columns(g.name);
        for (int i = 0; i < columns->Count(); ++i)
            state[QString("%1.%2").arg(g.name).arg(i)] = QString("pos %1 width %2")
                                                              .arg(columns->Items(i)->Position())
                                                              .arg(columns->Items(i)->Width());
    }
    state["main size"] = QString("%1x%2").arg(w.main()->width()).arg(w.main()->height());
    state["panel width"] = QString::number(w.panel()->width());
    state["LastImportDir"] = w.program.LastImportDir;
    state["LastSentMessage"] = w.program.LastSentMessage;
    state["LastOrvikSettingsVersion"] = w.program.LastOrvikSettingsVersion;
    state["logo size"] = QString("%1x%2").arg(w.program.LogoWidth).arg(w.program.LogoHeight);
    return state;
}

QString hex(const QString &text)
{
    QStringList codes;
    for (const QChar c : text)
        codes << QString::number(c.unicode(), 16).toUpper();
    return codes.join(' ');
}

} // namespace settings_test
