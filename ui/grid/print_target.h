#pragma once

#include <QPainter>
#include <QRect>

class QPrinter;

// What a printed item is, for targets that keep a record of the layout.
enum class TPrintedItem { HeaderCell, Cell, Line };

// Where grid printing draws: a printer, a PDF file, or a recorder in tests.
class TPrintTarget
{
public:
    virtual ~TPrintTarget() = default;
    // False when no printer is there or the job cannot start.
    virtual bool BeginDoc() = 0;
    virtual void NewPage() = 0;
    // False when the job failed or was aborted on its way to the printer.
    virtual bool EndDoc() = 0;
    virtual int PageWidth() const = 0;
    virtual int PageHeight() const = 0;
    // Dots per inch of the canvas: the printed sizes are scaled by it.
    virtual int Resolution() const = 0;
    virtual QPainter &Canvas() = 0;
    // Told of every header cell, cell and line as it is placed, in the
    // canvas's own pixels.
    virtual void Placed(TPrintedItem, int /*ACol*/, int /*ARow*/, const QRect &) {}
};

// A QPrinter: the default printer, or a PDF file when the printer is set up so.
class TPrinterTarget : public TPrintTarget
{
public:
    explicit TPrinterTarget(QPrinter &printer) : m_printer(printer) {}
    bool BeginDoc() override;
    void NewPage() override;
    bool EndDoc() override;
    int PageWidth() const override;
    int PageHeight() const override;
    int Resolution() const override;
    QPainter &Canvas() override { return m_painter; }

private:
    QPrinter &m_printer;
    QPainter m_painter;
};
