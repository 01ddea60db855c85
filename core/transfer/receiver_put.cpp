#include "core/transfer/receiver_put.h"

#include "core/util/messages.h"
#include "core/util/prompts.h"

namespace {

const QString kLineBreak = QStringLiteral("\r\n");

} // namespace

void TReceiverPuts::note(const QString &remotePath, TPutOutcome outcome)
{
    switch (outcome) {
    case TPutOutcome::Kept:
        m_kept.append(remotePath);
        break;
    case TPutOutcome::Replaced:
        m_replaced.append(remotePath);
        break;
    case TPutOutcome::Unknown:
        m_unknown.append(remotePath);
        break;
    }
}

void TReceiverPuts::keepAll(const QStringList &remotePaths)
{
    for (const QString &path : remotePaths) {
        if (!m_replaced.contains(path) && !m_kept.contains(path) && !m_unknown.contains(path))
            m_kept.append(path);
    }
}

QString TReceiverPuts::report() const
{
    QStringList parts;
    const auto add = [&parts](MsgId title, const QStringList &paths) {
        if (!paths.isEmpty())
            parts.append(msg(title) + kLineBreak + paths.join(kLineBreak));
    };
    add(MsgReceiverFilesReplaced, m_replaced);
    add(MsgReceiverFilesKept, m_kept);
    add(MsgReceiverFilesUnknown, m_unknown);
    return parts.join(kLineBreak + kLineBreak);
}

bool askWriteInPlace(TPrompts *prompts, const QString &remotePath, bool noRoom)
{
    return prompts
        && prompts->messageBox(TPrompts::TMsgKind::Confirmation,
                               FormatMsg1(msg(noRoom ? MsgWriteInPlaceNoRoom : MsgWriteInPlace),
                                          remotePath),
                               TPrompts::mbYes | TPrompts::mbCancel | TPrompts::mbCancelDefault)
        == TPrompts::mbYes;
}
