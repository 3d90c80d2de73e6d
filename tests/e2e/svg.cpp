#include "svg.h"

#include <cstdio>

namespace {

constexpr double SVG_CELL_W = 8.4;
constexpr double SVG_CELL_H = 18.0;
constexpr double SVG_FONT_SIZE = 14.0;

// The eight terminal colours, as a typical dark terminal theme shows them.
constexpr const char *svg_palette[8] = {"#000000", "#cd3131", "#0dbc79", "#e5e510",
                                        "#2472c8", "#bc3fbc", "#11a8cd", "#e5e5e5"};

const char *colour(int index, bool fg) {
    if (index >= 0 && index < 8)
        return svg_palette[index];
    return fg ? svg_palette[7] : svg_palette[0];
}

std::string escape(const std::string &text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::string fmt(const char *format, double a, double b, double c, double d) {
    char buf[128];
    snprintf(buf, sizeof buf, format, a, b, c, d);
    return buf;
}

} // namespace

std::string screen_to_svg(PtyScreen &screen, int rows, int cols) {
    std::string svg =
        fmt("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%.0f\" "
            "height=\"%.0f\" viewBox=\"0 0 %.0f %.0f\">\n",
            cols * SVG_CELL_W, rows * SVG_CELL_H, cols * SVG_CELL_W, rows * SVG_CELL_H);
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"#000000\"/>\n";
    svg += "<g font-family=\"DejaVu Sans Mono, Menlo, Consolas, monospace\" font-size=\"" +
           std::to_string(static_cast<int>(SVG_FONT_SIZE)) + "\" xml:space=\"preserve\">\n";
    for (int y = 0; y < rows; y++) {
        int x = 0;
        while (x < cols) {
            // A run of cells with the same colours and weight is one rectangle and one text.
            ScreenCell first = screen.cell(x, y);
            int end = x;
            std::string text;
            for (; end < cols; end++) {
                ScreenCell c = screen.cell(end, y);
                if (c.fg != first.fg || c.bg != first.bg || c.bold != first.bold)
                    break;
                text += c.text.empty() ? " " : c.text;
            }
            const char *bg = colour(first.bg, false);
            if (std::string(bg) != svg_palette[0])
                svg += fmt("<rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\"",
                           x * SVG_CELL_W, y * SVG_CELL_H, (end - x) * SVG_CELL_W, SVG_CELL_H) +
                       " fill=\"" + bg + "\"/>\n";
            if (text.find_first_not_of(' ') != std::string::npos)
                svg += fmt("<text x=\"%.1f\" y=\"%.1f\"", x * SVG_CELL_W,
                           y * SVG_CELL_H + SVG_FONT_SIZE, 0, 0) +
                       " fill=\"" + colour(first.fg, true) + "\"" +
                       (first.bold ? " font-weight=\"bold\"" : "") + ">" + escape(text) +
                       "</text>\n";
            x = end;
        }
    }
    svg += "</g>\n</svg>\n";
    return svg;
}
