#include "ui/editors/lg_edit.h"

#include "core/util/exception.h"
#include "core/util/messages.h"
#include "ui/editors/edit_artwork.h"

#include <QKeyEvent>
#include <QLocale>
#include <QPainter>

namespace {

Qt::Alignment toQtAlignment(TAlignment alignment, TVerticalAlignment vertical)
{
    Qt::Alignment result;
    switch (alignment) {
    case taLeftJustify: result = Qt::AlignLeft; break;
    case taRightJustify: result = Qt::AlignRight; break;
    case taCenter: result = Qt::AlignHCenter; break;
    }
    switch (vertical) {
    case vaTop: result |= Qt::AlignTop; break;
    case vaMiddle: result |= Qt::AlignVCenter; break;
    case vaBottom: result |= Qt::AlignBottom; break;
    }
    return result;
}

// The glyph sits 2 pixels above the vertical centre.
constexpr int kGlyphLeft = 2;
constexpr int kGlyphRaise = 2;

} // namespace

TLgCustomEdit::TLgCustomEdit(QWidget *parent) : QLineEdit(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    resize(kDefaultWidth, kDefaultHeight);
    setMouseTracking(true);
    SetAlignment(taLeftJustify, vaMiddle);
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (OnTextChanged)
            OnTextChanged();
        update();
    });
}

QSize TLgCustomEdit::sizeHint() const
{
    return {kDefaultWidth, kDefaultHeight};
}

void TLgCustomEdit::SetAlignment(TAlignment alignment, TVerticalAlignment vertical)
{
    m_alignment = alignment;
    m_verticalAlignment = vertical;
    setAlignment(toQtAlignment(alignment, vertical));
}

void TLgCustomEdit::SetMargin(int margin)
{
    m_margin = std::max(0, margin);
    UpdateTextArea();
}

void TLgCustomEdit::SetShowPreview(bool show)
{
    m_showPreview = show;
    UpdateTextArea();
}

void TLgCustomEdit::SetGlyph(const QPixmap &glyph)
{
    m_glyph = glyph;
    UpdateTextArea();
}

void TLgCustomEdit::SetInPlace(bool inPlace)
{
    m_inPlace = inPlace;
    InPlaceChanged();
    update();
}

void TLgCustomEdit::SetAppearance(const QFont &font, const QColor &color)
{
    setFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, color);
    setPalette(pal);
}

int TLgCustomEdit::TextLeft() const
{
    int left = m_margin;
    if (!m_glyph.isNull())
        left += m_glyph.width() + kGlyphSpacing;
    if (m_showPreview)
        left += kPreviewSpace;
    return left;
}

QRect TLgCustomEdit::glyphRect() const
{
    if (m_glyph.isNull())
        return {};
    const int top = (height() - m_glyph.height()) / 2 - kGlyphRaise;
    return {kGlyphLeft, top, m_glyph.width(), m_glyph.height()};
}

QRect TLgCustomEdit::PreviewRect() const
{
    if (!m_showPreview)
        return {};
    const int left = m_glyph.isNull() ? 1 : m_glyph.width() + kGlyphSpacing + 1;
    return {left + 1, 2, kPreviewWidth, std::max(0, height() - 4)};
}

void TLgCustomEdit::UpdateTextArea()
{
    setTextMargins(TextLeft(), m_margin, m_margin + 1 + RightReserve(), m_margin);
    update();
}

void TLgCustomEdit::EnterEditMode()
{
    deselect();
    setCursorPosition(int(text().size()));
}

bool TLgCustomEdit::AsBoolean() const
{
    const QString t = text().trimmed();
    if (t.compare(u"True", Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(u"False", Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const qint64 number = t.toLongLong(&ok);
    if (!ok)
        throw Exception(FormatMsg1(msg(MsgInvalidBoolean), text()));
    return number != 0;
}

QDateTime TLgCustomEdit::AsDateTime() const
{
    const QLocale locale;
    const QString t = text().trimmed();
    for (const QString &format : {locale.dateTimeFormat(QLocale::ShortFormat),
                                  locale.dateFormat(QLocale::ShortFormat)}) {
        const QDateTime value = locale.toDateTime(t, format);
        if (value.isValid())
            return value;
    }
    const QDateTime iso = QDateTime::fromString(t, Qt::ISODate);
    if (iso.isValid())
        return iso;
    throw Exception(FormatMsg1(msg(MsgInvalidDateTime), text()));
}

double TLgCustomEdit::AsFloat() const
{
    bool ok = false;
    const double value = QLocale().toDouble(text().trimmed(), &ok);
    if (!ok)
        throw Exception(FormatMsg1(msg(MsgInvalidFloat), text()));
    return value;
}

qint64 TLgCustomEdit::AsInteger() const
{
    bool ok = false;
    const qint64 value = text().trimmed().toLongLong(&ok);
    if (!ok)
        throw Exception(FormatMsg1(msg(MsgInvalidInteger), text()));
    return value;
}

void TLgCustomEdit::SetAsBoolean(bool value)
{
    setText(value ? QStringLiteral("True") : QStringLiteral("False"));
}

void TLgCustomEdit::SetAsDateTime(const QDateTime &value)
{
    setText(QLocale().toString(value, QLocale::ShortFormat));
}

void TLgCustomEdit::SetAsFloat(double value)
{
    setText(QLocale().toString(value, 'g', QLocale::FloatingPointShortest));
}

void TLgCustomEdit::SetAsInteger(qint64 value)
{
    setText(QString::number(value));
}

void TLgCustomEdit::keyPressEvent(QKeyEvent *event)
{
    if (OnKeyDown && OnKeyDown(event->key())) {
        event->accept();
        return;
    }
    // The Enter key inserts nothing; the line edit still reports it.
    QLineEdit::keyPressEvent(event);
}

void TLgCustomEdit::mousePressEvent(QMouseEvent *event)
{
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && glyphRect().contains(pos)) {
        if (OnGlyphClick)
            OnGlyphClick(this);
        event->accept();
        return;
    }
    if (event->button() == Qt::LeftButton && pos.x() <= kSelectAllZone) {
        setFocus(Qt::MouseFocusReason);
        selectAll();
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void TLgCustomEdit::mouseMoveEvent(QMouseEvent *event)
{
    if (event->position().x() <= kSelectAllZone) {
        static const QCursor reversed = reversedArrowCursor();
        setCursor(reversed);
    } else if (isReadOnly()) {
        setCursor(Qt::ArrowCursor);
    } else {
        setCursor(Qt::IBeamCursor);
    }
    QLineEdit::mouseMoveEvent(event);
}

void TLgCustomEdit::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    QPainter painter(this);
    PaintDecorations(painter);
}

void TLgCustomEdit::PaintDecorations(QPainter &painter)
{
    if (!m_glyph.isNull())
        painter.drawPixmap(glyphRect().topLeft(), m_glyph);
    if (m_showPreview)
        PaintPreview(painter, PreviewRect());
}

void TLgCustomEdit::PaintPreview(QPainter &, const QRect &) {}

void TLgCustomEdit::focusInEvent(QFocusEvent *event)
{
    QLineEdit::focusInEvent(event);
    if (OnFocusChanged)
        OnFocusChanged(true);
}

void TLgCustomEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    if (OnFocusChanged)
        OnFocusChanged(false);
}

void TLgCustomEdit::resizeEvent(QResizeEvent *event)
{
    QLineEdit::resizeEvent(event);
    UpdateTextArea();
}

void TLgEdit::SetPreviewBorder(bool border)
{
    m_previewBorder = border;
    update();
}

void TLgEdit::PaintPreview(QPainter &painter, const QRect &rect)
{
    if (m_previewBorder) {
        painter.setPen(Qt::black);
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
    }
    const QRect inner = m_previewBorder ? rect.adjusted(1, 1, -1, -1) : rect;
    if (OnCustomPreviewDraw)
        OnCustomPreviewDraw(this, painter, inner);
    else
        DrawPreviewContent(painter, inner);
}

void TLgEdit::DrawPreviewContent(QPainter &, const QRect &) {}
