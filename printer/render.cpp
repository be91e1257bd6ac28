// SPDX-License-Identifier: MIT
#include "printer/render.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPen>
#include <QStringList>
#include <algorithm>

#include "core/texts.h"
#include "printer/barcode.h"
#include "printer/listing.h"
#include "printer/qt_text.h"

namespace mpt::printer {

namespace {

constexpr int kLeft = (kPaperWidth - kPrintableWidth) / 2;
constexpr int kTopMargin = 16;
constexpr int kBottomMargin = 16;
constexpr int kLinePitch = 30;  // the printers' default line spacing, in dots
constexpr int kBelowCell = 4;   // dots between a cell's foot and the line's foot
constexpr int kLogoWidth = 384;
constexpr int kLogoHeight = 96;
constexpr int kLabelSize = 13;  // pixel size of the margin's writing

const QColor kOutside(0xd8, 0xd8, 0xd8);
const QColor kInk(0x14, 0x14, 0x14);
const QColor kRedInk(0xc8, 0x1e, 0x1e);
const QColor kMarkBlue(0x1f, 0x4e, 0x9a);
const QColor kMarkBrown(0x8a, 0x5a, 0x00);
const QColor kMarkRed(0xb0, 0x00, 0x00);
const QColor kGuide(0x70, 0x70, 0x70);

struct Cell {
    int width;
    int height;
};

Cell cellOf(const Style& style) {
    Cell cell = style.fontB ? Cell{9, 17} : Cell{12, 24};
    if (style.doubleWidth || style.enlarged) {
        cell.width *= 2;
    }
    if (style.doubleHeight) {
        cell.height *= 2;
    }
    return cell;
}

// One character in its place on a printed row.
struct Glyph {
    QString text;
    Style style;
    int x;       // from the printable area's left edge
    int width;   // one cell, or two for a character outside ASCII
    int height;  // the cell's height
};

struct Row {
    std::vector<Glyph> glyphs;
    int pitch = kLinePitch;
};

// Lays a line's characters into rows of the printable width.
std::vector<Row> rowsOf(const Line& line) {
    std::vector<Row> rows(1);
    int x = 0;
    for (const Span& span : line.spans) {
        const Cell cell = cellOf(span.style);
        const QString text = qtText(span.text);
        for (const uint codePoint : text.toUcs4()) {
            const int width = codePoint < 0x80 ? cell.width : 2 * cell.width;
            if (x + width > kPrintableWidth && x > 0) {
                rows.emplace_back();
                x = 0;
            }
            const char32_t ucs4[] = {static_cast<char32_t>(codePoint)};
            rows.back().glyphs.push_back(
                {QString::fromUcs4(ucs4, 1), span.style, x, width, cell.height});
            x += width;
        }
    }
    for (Row& row : rows) {
        for (const Glyph& g : row.glyphs) {
            row.pitch = std::max(row.pitch, g.height + 2 * kBelowCell);
        }
    }
    return rows;
}

QFont labelFont(bool bold = false) {
    QFont font;
    font.setFamilies({QStringLiteral("NanumGothic"), QStringLiteral("Noto Sans CJK KR"),
                      QStringLiteral("DejaVu Sans")});
    font.setPixelSize(kLabelSize);
    font.setBold(bold);
    return font;
}

// Paints a page, or with no painter only measures it: both passes walk the same way, so the
// picture's height is known before it is painted.
class PagePainter {
  public:
    PagePainter(const Page& page, const QString& caption) : m_page(page), m_caption(caption) {}

    // Returns the picture's height.
    int run(QPainter* painter) {
        m_p = painter;
        m_y = kTopMargin;
        m_labelY = 0;
        if (!m_caption.isEmpty()) {
            label(0, m_caption, kInk, true);
        }
        if (m_page.elements.empty() && m_page.cut != Cut::None) {
            label(0,
                  qtText(translate("Paper", "cut again: nothing printed since the previous cut")),
                  kGuide);
        }
        for (const Element& element : m_page.elements) {
            std::visit([this](const auto& e) { draw(e); }, element);
        }
        m_y += kBottomMargin;
        const int paperEnd = m_y;
        drawCut(paperEnd);
        int end = paperEnd + (m_page.cut == Cut::None ? 24 : 8);
        for (const Mark& mark : m_page.afterCut) {
            drawMark(mark, paperEnd + 8);
        }
        end = std::max(end, m_labelY + 8);
        return end;
    }

    int paperEnd() const { return m_y; }

  private:
    void draw(const Line& line) {
        const std::vector<Row> rows = rowsOf(line);
        const int top = m_y;
        for (const Row& row : rows) {
            drawRow(row);
            m_y += row.pitch;
        }
        if (line.lineAttribute) {
            if (m_p != nullptr) {
                m_p->fillRect(kLeft - 16, top + 4, 4, m_y - top - 8, kGuide);
            }
            label(top, qtText(translate("Paper", "line attribute (DC3)")), kGuide);
        }
    }

    void drawRow(const Row& row) {
        // Rows below the foot of the picture are measured, not painted.
        if (m_p == nullptr || m_y >= kMaxPictureHeight) {
            return;
        }
        const int foot = m_y + row.pitch - kBelowCell;
        for (const Glyph& g : row.glyphs) {
            const int cellTop = foot - g.height;
            const QColor colour = g.style.red ? kRedInk : kInk;
            m_p->save();
            m_p->setPen(colour);
            m_p->setFont(printerFont(g.style.fontB, g.style.emphasis));
            // The glyph is drawn in the cell of the normal size and stretched to the enlarged one.
            const Cell normal = cellOf({g.style.fontB});
            const int columns = g.width / cellOf(g.style).width;
            const double sx = static_cast<double>(g.width) / (columns * normal.width);
            const double sy = static_cast<double>(g.height) / normal.height;
            m_p->translate(kLeft + g.x, cellTop);
            m_p->scale(sx, sy);
            m_p->drawText(QRectF(0, 0, columns * normal.width, normal.height),
                          Qt::AlignHCenter | Qt::AlignBottom, g.text);
            m_p->restore();
            if (g.style.underline) {
                m_p->fillRect(kLeft + g.x, foot + 1, g.width, 2, colour);
            }
        }
    }

    void draw(const Logo& logo) {
        const int width = std::min(kPrintableWidth, kLogoWidth * ((logo.sizeMode & 1) ? 2 : 1));
        const int height = kLogoHeight * ((logo.sizeMode & 2) ? 2 : 1);
        if (m_p != nullptr) {
            const QRect box(kLeft, m_y + 4, width, height - 8);
            m_p->fillRect(box, QColor(0xf0, 0xf0, 0xf0));
            m_p->setPen(QPen(kGuide, 2, Qt::DashLine));
            m_p->drawRect(box);
            m_p->setPen(kGuide);
            m_p->setFont(labelFont(true));
            const char* sizeName = logoSizeName(logo.sizeMode);
            const QString size =
                sizeName != nullptr ? qtText(translate("Paper", sizeName))
                                    : qtText(translate("Paper", "size mode %1")).arg(logo.sizeMode);
            m_p->drawText(
                box, Qt::AlignCenter,
                qtText(translate("Paper", "stored logo image %1\n%2")).arg(logo.image).arg(size));
        }
        m_y += height;
    }

    void draw(const BarCode& code) {
        const Cell hri{12, 24};
        const int hriPitch = hri.height + 2 * kBelowCell;
        const bool above =
            code.textPosition == TextPosition::Above || code.textPosition == TextPosition::Both;
        const bool below =
            code.textPosition == TextPosition::Below || code.textPosition == TextPosition::Both;
        std::optional<std::vector<int>> elements;
        if (code.symbology == kItf) {
            elements = itfElements(code.data, code.moduleWidth);
        }
        int width = 0;
        if (elements) {
            for (const int w : *elements) {
                width += w;
            }
        }
        const bool drawn = elements && width <= kPrintableWidth;
        if (!drawn) {
            width = kPrintableWidth;
        }
        if (above) {
            drawHri(code.data, width);
            m_y += hriPitch;
        }
        if (m_p != nullptr) {
            if (drawn) {
                int x = kLeft;
                bool bar = true;
                for (const int w : *elements) {
                    if (bar) {
                        m_p->fillRect(x, m_y, w, code.height, kInk);
                    }
                    x += w;
                    bar = !bar;
                }
            } else {
                const QRect box(kLeft, m_y, width, code.height);
                m_p->setPen(QPen(kGuide, 2, Qt::DashLine));
                m_p->drawRect(box);
                m_p->setFont(labelFont(true));
                const QString name = QString::fromStdString(symbologyName(code.symbology));
                QString why;
                if (code.symbology != kItf) {
                    why = qtText(translate("Paper", "%1 bar code: bars not drawn here")).arg(name);
                } else if (!elements) {
                    why = qtText(
                        translate("Paper", "ITF needs an even number of digits: not printed"));
                } else {
                    why = qtText(translate("Paper", "ITF wider than the paper: not printed"));
                }
                m_p->drawText(box, Qt::AlignCenter, why);
            }
        }
        label(m_y,
              qtText(translate("Paper", "bar code %1, %2 dots high, module %3"))
                  .arg(QString::fromStdString(symbologyName(code.symbology)))
                  .arg(code.height)
                  .arg(code.moduleWidth),
              kGuide);
        m_y += code.height;
        if (below) {
            m_y += 2;
            drawHri(code.data, width);
            m_y += hriPitch;
        }
    }

    // The bar code's human-readable characters, in font A, centred under or over the bars.
    void drawHri(const std::string& data, int width) {
        if (m_p == nullptr) {
            return;
        }
        const QString text = QString::fromLatin1(data.data(), static_cast<qsizetype>(data.size()));
        const int textWidth = static_cast<int>(text.size()) * 12;
        int x = kLeft + std::max(0, (width - textWidth) / 2);
        m_p->setPen(kInk);
        m_p->setFont(printerFont(false, false));
        for (const QChar c : text) {
            m_p->drawText(QRectF(x, m_y + kBelowCell, 12, 24), Qt::AlignHCenter | Qt::AlignBottom,
                          QString(c));
            x += 12;
        }
    }

    void draw(const Mark& mark) { drawMark(mark, m_y); }

    void drawMark(const Mark& mark, int y) {
        QColor colour = kMarkBlue;
        if (mark.kind == Mark::Kind::DrawerPulse) {
            colour = kMarkBrown;
        } else if (mark.kind == Mark::Kind::Unknown || mark.kind == Mark::Kind::Truncated) {
            colour = kMarkRed;
        }
        if (m_p != nullptr) {
            m_p->fillRect(kPaperWidth - 10, y - 1, 10, 3, colour);
        }
        label(y, QString::fromStdString(mark.text), colour);
    }

    void drawCut(int y) {
        if (m_p == nullptr) {
            return;
        }
        if (m_page.cut == Cut::None) {
            m_p->setPen(QPen(kGuide, 1, Qt::DotLine));
            m_p->drawLine(0, y, kPaperWidth, y);
        } else {
            m_p->setPen(QPen(kInk, 2, Qt::DashLine));
            if (m_page.cut == Cut::Partial) {
                // One point in the middle is left uncut.
                m_p->drawLine(0, y, kPaperWidth / 2 - 8, y);
                m_p->drawLine(kPaperWidth / 2 + 8, y, kPaperWidth, y);
            } else {
                m_p->drawLine(0, y, kPaperWidth, y);
            }
        }
    }

    // Writes into the margin at height y, or below the last writing where that reaches further.
    void label(int y, const QString& text, const QColor& colour, bool bold = false) {
        const QFont font = labelFont(bold);
        const QFontMetrics metrics(font);
        const QRect bounds =
            metrics.boundingRect(QRect(0, 0, kMarginWidth - 16, 10000), Qt::TextWordWrap, text);
        const int top = std::max(y, m_labelY);
        if (m_p != nullptr) {
            m_p->setPen(colour);
            m_p->setFont(font);
            m_p->drawText(QRect(kPaperWidth + 10, top, kMarginWidth - 16, bounds.height()),
                          Qt::TextWordWrap, text);
        }
        m_labelY = top + bounds.height() + 2;
    }

    const Page& m_page;
    QString m_caption;
    QPainter* m_p = nullptr;
    int m_y = 0;
    int m_labelY = 0;  // the margin's writing reaches down to here
};

}  // namespace

QFont printerFont(bool fontB, bool emphasis) {
    // A gothic face with Hangul and Latin letters of half a Hangul's width, so that both fill
    // their cells as the printer's own characters do.
    QFont font;
    font.setFamilies({QStringLiteral("NanumGothicCoding"), QStringLiteral("NanumGothic"),
                      QStringLiteral("Noto Sans CJK KR"), QStringLiteral("Noto Sans Mono CJK KR")});
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(fontB ? 17 : 24);
    font.setBold(emphasis);
    return font;
}

QImage renderPage(const Page& page, const QString& caption) {
    PagePainter measure(page, caption);
    const int height = measure.run(nullptr);
    const bool cutShort = height > kMaxPictureHeight;
    QImage image(kPaperWidth + kMarginWidth, std::min(height, kMaxPictureHeight),
                 QImage::Format_RGB32);
    image.fill(kOutside);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    PagePainter paint(page, caption);
    painter.fillRect(0, 0, kPaperWidth, measure.paperEnd(), Qt::white);
    paint.run(&painter);
    if (cutShort) {
        // The rest is not drawn; the foot of the picture says so.
        constexpr int kNote = 48;
        const QRect note(0, kMaxPictureHeight - kNote, kPaperWidth + kMarginWidth, kNote);
        painter.fillRect(note, kOutside);
        painter.setPen(kInk);
        painter.setFont(labelFont(true));
        painter.drawText(note, Qt::AlignCenter | Qt::TextWordWrap,
                         qtText(translate("Paper",
                                          "picture cut short here: the page is %1 dots long, "
                                          "the first %2 are drawn"))
                             .arg(height)
                             .arg(kMaxPictureHeight));
    }
    return image;
}

QString pageCaption(const Page& page, int number) {
    QStringList parts{qtText(translate("Paper", "page %1")).arg(number)};
    for (const std::string& source : page.sources) {
        parts << QString::fromStdString(source);
    }
    if (page.epson) {
        parts << qtText(translate("Paper", "EPSON mode"));
    }
    if (page.cbm) {
        parts << qtText(translate("Paper", "CBM mode"));
    }
    switch (page.cut) {
        case Cut::Partial: parts << qtText(translate("Paper", "partial cut")); break;
        case Cut::Full: parts << qtText(translate("Paper", "full cut")); break;
        case Cut::None:
            parts << (page.torn ? qtText(translate("Paper",
                                                   "torn off uncut: a page longer than %1 lines"))
                                      .arg(PageBuilder::kMaxElements)
                                : qtText(translate("Paper", "not cut yet")));
            break;
    }
    return parts.join(QStringLiteral(" · "));
}

}  // namespace mpt::printer
