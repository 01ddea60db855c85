#include "ui/translate/lang_properties.h"

#include "core/util/text_compare.h"
#include "ui/translate/lang_literal.h"

#include <QMetaProperty>
#include <QObject>
#include <QWidget>

namespace {

const QString kStringsWord = QStringLiteral("Strings");

int findPropertyIgnoringCase(const QMetaObject *meta, QStringView name)
{
    for (int i = 0; i < meta->propertyCount(); ++i) {
        if (sameText(QString::fromLatin1(meta->property(i).name()), name))
            return i;
    }
    return -1;
}

QObject *findNamedObject(QObject *object, QStringView name)
{
    const QString wanted = name.toString();
    if (QObject *owned = object->findChild<QObject *>(wanted))
        return owned;
    if (auto *widget = qobject_cast<QWidget *>(object)) {
        const auto children = widget->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
        for (QWidget *child : children) {
            if (sameText(child->objectName(), name))
                return child;
        }
    }
    return nullptr;
}

bool parseBoolean(const QString &text, bool &ok)
{
    ok = true;
    if (sameText(text, u"True"))
        return true;
    if (sameText(text, u"False"))
        return false;
    ok = false;
    return false;
}

bool setByKind(QObject *object, const QMetaProperty &property, QStringView rest, const QString &value)
{
    if (!property.isWritable())
        return false;
    const QMetaType type = property.metaType();
    if (property.isEnumType()) {
        if (!rest.isEmpty())
            return false;
        bool ok = false;
        const QByteArray key = value.trimmed().toLatin1();
        const int number = property.isFlagType() ? property.enumerator().keysToValue(key.constData(), &ok)
                                                 : property.enumerator().keyToValue(key.constData(), &ok);
        return ok && property.write(object, number);
    }
    switch (type.id()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong: {
        if (!rest.isEmpty())
            return false;
        bool ok = false;
        const qlonglong number = value.trimmed().toLongLong(&ok);
        return property.write(object, ok ? number : 0);
    }
    case QMetaType::Double:
    case QMetaType::Float: {
        if (!rest.isEmpty())
            return false;
        bool ok = false;
        const double number = value.trimmed().toDouble(&ok);
        return property.write(object, ok ? number : 0.0);
    }
    case QMetaType::Bool: {
        bool ok = false;
        const bool flag = parseBoolean(value.trimmed(), ok);
        return rest.isEmpty() && ok && property.write(object, flag);
    }
    case QMetaType::QString:
        return rest.isEmpty() && property.write(object, decodeLangLiteral(value));
    case QMetaType::QStringList:
        return sameText(rest, kStringsWord) && property.write(object, splitLangList(value));
    default:
        break;
    }
    if (type.flags().testFlag(QMetaType::PointerToQObject)) {
        auto *child = property.read(object).value<QObject *>();
        return child && !rest.isEmpty() && applyLangProperty(child, rest.toString(), value);
    }
    return false;
}

} // namespace

QStringList splitLangList(QStringView value)
{
    QStringList items;
    QString item;
    bool inside = false;
    bool any = false;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'\'') {
            if (inside && i + 1 < value.size() && value.at(i + 1) == u'\'') {
                item += c;
                ++i;
            } else {
                inside = !inside;
            }
            any = true;
            continue;
        }
        if (c == u',' && !inside) {
            items.append(item.trimmed());
            item.clear();
            any = false;
            continue;
        }
        item += c;
        any = true;
    }
    if (any || !items.isEmpty())
        items.append(item.trimmed());
    return items;
}

bool applyLangProperty(QObject *root, const QString &path, const QString &value)
{
    if (!root)
        return false;
    const QStringView whole(path);
    const qsizetype dot = whole.indexOf(u'.');
    const QStringView head = (dot < 0 ? whole : whole.left(dot)).trimmed();
    const QStringView rest = dot < 0 ? QStringView() : whole.mid(dot + 1).trimmed();
    if (head.isEmpty())
        return false;

    const QMetaObject *meta = root->metaObject();
    const int index = findPropertyIgnoringCase(meta, head);
    if (index >= 0)
        return setByKind(root, meta->property(index), rest, value);
    if (rest.isEmpty())
        return false;
    if (QObject *named = findNamedObject(root, head))
        return applyLangProperty(named, rest.toString(), value);
    return false;
}
