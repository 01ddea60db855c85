#pragma once

#include "ui/grid/columns.h"

#include <QPointer>
#include <QStringList>

class TImageList;

class TLgTextColumn : public TLgCustomColumn
{
    Q_OBJECT

public:
    explicit TLgTextColumn(QObject *parent = nullptr);

    QString TextBefore;
    QString TextAfter;

    bool HasEditor() const override { return true; }
    int MinWidth(const QString &text, const QFont &gridFont) const override;
    QString DisplayText(const QString &value) const override;
    bool DisplaysValueAsIs() const override { return TextBefore.isEmpty() && TextAfter.isEmpty(); }
    bool IsValidChar(QChar c) const override;
    void PrepareEditor(ILgInplaceEditor *editor) override;
    TInplaceEditorKind DefaultEditorKind() const override { return ieEdit; }
};

class TLgHtmlColumn : public TLgCustomColumn
{
    Q_OBJECT

public:
    explicit TLgHtmlColumn(QObject *parent = nullptr);

protected:
    std::unique_ptr<TColumnDisplay> CreateDisplay() override;
};

class TLgCheckBoxColumn : public TLgCustomColumn
{
    Q_OBJECT

public:
    explicit TLgCheckBoxColumn(QObject *parent = nullptr);
    bool HasEditor() const override { return true; }

protected:
    std::unique_ptr<TColumnDisplay> CreateDisplay() override;
    std::unique_ptr<TColumnPlay> CreatePlay() override;
};

class TLgImageColumn : public TLgCustomColumn
{
    Q_OBJECT

public:
    explicit TLgImageColumn(QObject *parent = nullptr);

    QPointer<TImageList> Images;
    bool Transparent = true;

protected:
    std::unique_ptr<TColumnDisplay> CreateDisplay() override;
};

class TLgNumberColumn : public TLgCustomColumn
{
    Q_OBJECT

public:
    explicit TLgNumberColumn(QObject *parent = nullptr);

    QString FormatMask;
    double Increment = 1.0;
    int Min = 0;
    int Max = 0;
    QString TextBefore;
    QString TextAfter;

    bool HasEditor() const override { return true; }
    QString DisplayText(const QString &value) const override;
    bool DisplaysValueAsIs() const override
    {
        return FormatMask.isEmpty() && TextBefore.isEmpty() && TextAfter.isEmpty();
    }
    // TextBefore + the value through FormatMask (or its plain text) + TextAfter.
    QString FormatValue(double value) const;
    bool IsValidChar(QChar c) const override;
    void PrepareEditor(ILgInplaceEditor *editor) override;
    TInplaceEditorKind DefaultEditorKind() const override { return ieSpinEdit; }

protected:
    std::unique_ptr<TColumnDisplay> CreateDisplay() override;
};

class TLgIncrementColumn : public TLgCustomColumn
{
    Q_OBJECT

public:
    explicit TLgIncrementColumn(QObject *parent = nullptr);

protected:
    std::unique_ptr<TColumnDisplay> CreateDisplay() override;
};

// Its editor is a TLgPopupEdit of the window's own kind (assigned to
// InplaceEdit); the column passes the editor's close-up and select on.
class TLgPopupColumn : public TLgTextColumn
{
    Q_OBJECT

public:
    using TLgTextColumn::TLgTextColumn;
    TInplaceEditorKind DefaultEditorKind() const override { return ieNone; }
    void PrepareEditor(ILgInplaceEditor *editor) override;

    std::function<void(QObject *Sender)> OnCloseUp;
    std::function<void(QObject *Sender)> OnSelect;
};

class TLgComboBoxColumn : public TLgTextColumn
{
    Q_OBJECT

public:
    explicit TLgComboBoxColumn(QObject *parent = nullptr);

    QStringList Items;
    QPointer<TImageList> Images;
    TComboBoxStyle Style = cbsDropDown;
    int DropDownCount = 8;
    TDisplayMode DisplayMode = dmTextOnly;
    std::function<void(QObject *Sender)> OnSelect;

    TInplaceEditorKind DefaultEditorKind() const override { return ieComboBox; }
    void PrepareEditor(ILgInplaceEditor *editor) override;

protected:
    std::unique_ptr<TColumnDisplay> CreateDisplay() override;
};
