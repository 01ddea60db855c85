#include "ui/grid/font_styles.h"

TFontStyles stylesOf(const QFont &font)
{
    TFontStyles s;
    if (font.bold())
        s.include(fsBold);
    if (font.italic())
        s.include(fsItalic);
    if (font.underline())
        s.include(fsUnderline);
    if (font.strikeOut())
        s.include(fsStrikeOut);
    return s;
}

QFont withStyles(QFont font, TFontStyles styles)
{
    font.setBold(styles.contains(fsBold));
    font.setItalic(styles.contains(fsItalic));
    font.setUnderline(styles.contains(fsUnderline));
    font.setStrikeOut(styles.contains(fsStrikeOut));
    return font;
}
