// The main tool bar's outside tools: the file manager, a telnet client and
// the receiver's web interface, and the on-screen message to the receiver.

#include "app/main/main_window.h"
#include "app/main/status_panels.h"
#include "ui/program/program.h"

#include "core/util/messages.h"
#include "core/transfer/transfer_reason.h"
#include "core/util/sys_utils.h"
#include "exchange/receiver_link.h"

#include <QAbstractButton>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QStandardPaths>
#include <QTabWidget>
#include <QToolButton>

namespace {

constexpr int kToolsPage = 2;

using TStartProgram = decltype(TFrmMain::StartProgram);

// Starts a command the user typed, `appended` after its own arguments: split
// as a shell would, run without one. A path stored by an older version may
// name a program with blanks in it; when that file is there it is the
// program, unsplit.
bool startCommand(const TStartProgram &start, const QString &command, const QStringList &appended)
{
    QStringList words = QFileInfo(command).isFile() ? QStringList{command} : QProcess::splitCommand(command);
    if (words.isEmpty())
        return false;
    const QString program = words.takeFirst();
    return start(program, words + appended, QString());
}

} // namespace

void TFrmMain::buildDropDown(QToolButton *button, const char *menuName,
                             std::initializer_list<TDropDownItem> items)
{
    auto *menu = new QMenu(this);
    menu->setObjectName(QLatin1String(menuName));
    for (const TDropDownItem &item : items) {
        QAction *action = menu->addAction(QLatin1String(item.caption));
        action->setObjectName(QLatin1String(item.name));
        m_actions.insert(action->objectName(), action);
        connect(action, &QAction::triggered, this, item.handler);
    }
    // Opened below the button's left edge, as a drop-down list would be.
    connect(button, &QToolButton::clicked, this, [button, menu] {
        menu->popup(button->mapToGlobal(QPoint(0, button->height() + 2)));
    });
}

void TFrmMain::buildToolsMenu(QToolButton *run, QToolButton *message)
{
    buildDropDown(run, "PopupToolbarRun",
                  {{"PopupItmToolTotalCmd", "    Total Commander", &TFrmMain::LaunchFileManager},
                   {"PopupItmToolTelnet", "    Telnet Client", &TFrmMain::LaunchTelnet},
                   {"PopupItmToolWebInterface", "    Web Interface", &TFrmMain::OpenWebInterface}});
    connect(message, &QToolButton::clicked, this, &TFrmMain::ToolBtnMsgClick);

    if (!StartProgram) {
        StartProgram = [](const QString &program, const QStringList &arguments, const QString &folder) {
            int exitCode = 0;
            return runApplication(program, arguments, folder, true, false, exitCode);
        };
    }
    if (!OpenUrl) {
        OpenUrl = [this](const QString &url, TOpenFailed failed) { shellOpenDocument(url, this, failed); };
    }
    if (!SendMessage)
        SendMessage = [this](const QString &address, const QString &text, QString &reason) {
            TransferError error;
            const bool sent =
                SendPopupMessage(receiverWebAddress(address, m_program.ReceiverWebPort), text, {}, &error);
            reason = transferFailureText(error);
            return sent;
        };
}

void TFrmMain::openSettingsOnToolsPage()
{
    if (QWidget *settings = m_program.Form(QStringLiteral("FrmSettings"))) {
        if (auto *pages = settings->findChild<QTabWidget *>(QStringLiteral("PageControl")))
            pages->setCurrentIndex(kToolsPage);
    }
    ToolBtnSettingsClick();
}

void TFrmMain::LaunchFileManager()
{
    if (m_program.SettingChecked("BtnCmdAutoDetect")) {
        // The desktop's own file manager, through its opener.
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (!opener.isEmpty()) {
            StartProgram(opener, {QDir::homePath()}, QString());
            return;
        }
        message(TPrompts::TMsgKind::Error, msg(MsgFileManagerNotDetected), TPrompts::mbOK);
        openSettingsOnToolsPage();
        return;
    }
    if (!startCommand(StartProgram, m_program.SettingText("EdtTotalCmd"), {})) {
        message(TPrompts::TMsgKind::Error, msg(MsgFileManagerNotRun), TPrompts::mbOK);
        openSettingsOnToolsPage();
    }
}

void TFrmMain::LaunchTelnet()
{
    const QString address = ipAddressFormat(m_program.SettingText("EdtIp"));
    const bool started = m_program.SettingChecked("BtnSystemTelnet")
        // The system's client runs in a terminal of its own.
        ? StartProgram(QStringLiteral("x-terminal-emulator"),
                       {QStringLiteral("-e"), QStringLiteral("telnet"), address}, QStringLiteral("."))
        : startCommand(StartProgram, m_program.SettingText("EdtTelnet"), {address});
    if (!started)
        message(TPrompts::TMsgKind::Error, msg(MsgTelnetNotRun), TPrompts::mbOK);
}

void TFrmMain::OpenWebInterface()
{
    // The settings keep the address zero-padded; a URL needs it plain.
    const QString url = QStringLiteral("http://") + ipAddressFormat(m_program.SettingText("EdtIp"));
    // Without a browser nothing would happen at all: the user is told where
    // to go by hand.
    OpenUrl(url, [this, url](const QString &) {
        message(TPrompts::TMsgKind::Error, FormatMsg1(msg(MsgWebInterfaceNotOpened), url), TPrompts::mbOK);
    });
}

void TFrmMain::ToolBtnMsgClick()
{
    if (!m_program.Prompts)
        return;
    QString text = m_program.LastSentMessage;
    while (m_program.Prompts->inputQuery(msg(MsgEnterAMessage), QString(), text)) {
        if (text.isEmpty())
            continue;
        QString reason;
        if (SendMessage(m_program.SettingText("EdtIp"), text, reason)) {
            // A failure of an earlier attempt no longer holds.
            if (StatusBar->PanelText(0).startsWith(msg(MsgMessageNotSent)))
                ShowStatus(QString());
        } else {
            ShowStatus(reason.isEmpty() ? msg(MsgMessageNotSent)
                                        : msg(MsgMessageNotSent) + u' ' + reason);
        }
        m_program.LastSentMessage = text;
        return;
    }
}
