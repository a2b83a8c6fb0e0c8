#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QRawFont>

#include <array>
#include <vector>

class QPainter;

// Draws log lines in a fixed-pitch font, one character per cell at
// column × cell width. Only the columns asked for are drawn and nothing is
// shaped: each of the 256 characters a line can hold was looked up in the font
// once, so drawing a row costs the same for a line of 20 or 2,048 characters.
//
// Control characters (codes 0-31, 127 and the C1 codes the character set
// keeps) are drawn as the font's control pictures where it has them, else as
// the program's own glyph: the hex code in a thin box, which tells every code
// apart whatever fonts are installed. A character the font lacks is drawn on
// its own from a fallback font, clipped to its cell.
class LogCellPainter {
public:
    // Takes the font's metrics and rebuilds the glyph tables; dpr is the
    // device pixel ratio of the surface drawn on.
    void setFont(const QFont &font, qreal dpr);
    const QFont &font() const { return m_font; }

    int cellWidth() const { return m_cellWidth; }
    int rowHeight() const { return m_rowHeight; }

    // Draws the columns first to first + count - 1 of the line (bytes of the
    // character set, one per character) in the cells right of topLeft, which
    // is the left edge of column `first`. Background is the caller's.
    void paintRow(QPainter &painter, const QByteArray &line, int first, int count,
                  QPoint topLeft, const QColor &color) const;

    // Draws one character outside the character set (a mark such as '✓') in
    // the cell at topLeft, clipped to it.
    void paintSymbol(QPainter &painter, QChar symbol, QPoint topLeft, const QColor &color) const;

    // Whether the byte's character is drawn as the program's own glyph with
    // the current font.
    bool drawsOwnGlyph(uchar byte) const { return m_kind[byte] == Kind::Own; }
    // The program's own glyph of a byte: its two hex digits stacked in a box,
    // one cell large, at the given device pixel ratio.
    static QImage ownGlyph(uchar byte, QSize cell, qreal dpr, const QColor &color);

private:
    enum class Kind : quint8 { Glyph, Blank, Own, Fallback };

    const QPixmap &cachedOwnGlyph(uchar byte, const QColor &color) const;

    QFont m_font;
    QRawFont m_raw;
    qreal m_dpr = 1.0;
    int m_cellWidth = 1;
    int m_rowHeight = 1;
    int m_ascent = 0;
    std::array<quint32, 256> m_glyph{};
    std::array<Kind, 256> m_kind{};
    mutable std::vector<quint32> m_indexes;
    mutable std::vector<QPointF> m_positions;
    mutable QHash<quint64, QPixmap> m_ownGlyphs;
    mutable QHash<quint64, QPixmap> m_symbols; // by colour and character
};
