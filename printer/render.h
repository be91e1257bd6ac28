// SPDX-License-Identifier: MIT
// Draws a page of the virtual printer's paper as a picture: receipt paper 80 mm wide at the
// thermal head's 203 dots an inch, one pixel a dot, with a grey margin on the right where the
// marks beside the paper are written (drawer pulses, page brackets, line attributes, unknown
// bytes, the cut).
//
// Characters sit in the printer's cells, so that columns line up as on paper: font A 12 x 24
// dots, font B 9 x 17, a Hangul character two cells wide; double width and height scale the cell,
// and a line that is full wraps as the printer wraps it. Stored logos, whose pictures live in the
// printer, are drawn as labelled boxes. Drawing text needs a QGuiApplication (the offscreen
// platform will do); the faces come from the system, a Korean one among them.
#pragma once

#include <QFont>
#include <QIODevice>
#include <QImage>
#include <QString>

#include "printer/layout.h"

namespace mpt::printer {

inline constexpr int kPaperWidth = 640;                  // 80 mm
inline constexpr int kPrintableWidth = kPrintAreaWidth;  // 72 mm, centred on the paper
inline constexpr int kMarginWidth = 240;                 // for the marks, right of the paper
// A picture is cut short at this height, some 2 m of paper, and says so at its foot: half as long
// again as the longest page a test prints (the line feed test, about 1.2 m).
inline constexpr int kMaxPictureHeight = 16000;

// The page as a picture; `caption`, when given, heads the margin (page number, port, mode).
QImage renderPage(const Page& page, const QString& caption = {});

// Writes a page's picture as PNG, compressed as fast as zlib can: pages come out at the rate
// receipts do, and the files stay small, since paper is mostly white.
bool writePng(const QImage& image, QIODevice& out);
bool writePng(const QImage& image, const QString& path);

// The face characters print in, at the pixel size of a cell's height.
QFont printerFont(bool fontB, bool emphasis, bool fontC = false);

// A line that tells what a page is: "page 3 · COM1 · EPSON mode · partial cut".
QString pageCaption(const Page& page, int number);

}  // namespace mpt::printer
