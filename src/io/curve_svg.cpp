// The sweep's plot as SVG: Pвх and Pвых with their bars on a logarithmic axis, the theory beside
// them as dashed lines.
#include "io/curve_export.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

namespace spi {

namespace {

// Numbers are written with to_chars, whatever the C locale's decimal mark.

// Coordinates of the plot, to a hundredth of a pixel.
std::string Px(double x) {
    char buf[40];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, 2);
    return ec == std::errc() ? std::string(buf, end) : std::string("0");
}

// A tick value as a person writes it: 12 significant digits hide the steps' rounding.
std::string TickText(double x) {
    if (std::fabs(x) < 1e-12)
        x = 0;
    char buf[40];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 12);
    return ec == std::errc() ? std::string(buf, end) : std::string();
}

std::string XmlText(const std::string &s) {
    std::string q;
    for (char c : s) {
        switch (c) {
        case '&':
            q += "&amp;";
            break;
        case '<':
            q += "&lt;";
            break;
        case '>':
            q += "&gt;";
            break;
        case '"':
            q += "&quot;";
            break;
        default:
            q += c;
        }
    }
    return q;
}

// The plot's frame in the picture.
constexpr double kWidth = 800, kHeight = 500;
constexpr double kLeft = 90, kRight = 770, kTop = 60, kBottom = 420;

// 1, 2 or 5 times a power of ten, near range / 6.
double NiceStep(double range) {
    const double raw = range / 6;
    const double decade = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / decade;
    return (f < 1.5 ? 1 : f < 3.5 ? 2 : f < 7.5 ? 5 : 10) * decade;
}

struct Series {
    const char *name;
    const char *colour;
    bool square;
    bool needsCoder; // measured only by "Стат2"
    double SweepPoint::*p;
    double SweepPoint::*conf;
    double dx; // drawn a little apart, so that the bars of the two series do not cover each other
};

const Series kIn{"Pвх", "#1f5fa8", false, false, &SweepPoint::pErrIn, &SweepPoint::pErrInConf, -3};
const Series kOut{"Pвых", "#c0392b", true, true, &SweepPoint::pErrOut, &SweepPoint::pErrOutConf, 3};

// What theory says beside a measured series: a dashed line in the series' colour, drawn at the
// parameter's values themselves, broken where theory is absent or below the axis.
struct TheoryLine {
    const char *name;
    const Series *beside;
    const char *dashes;
    std::optional<double> SweepPoint::*p;
};

const TheoryLine kInTheory{"Pвх, теория", &kIn, "7,4", &SweepPoint::theoryPErrIn};
// The bound is one on the share of decoded words in error, which the plot does not show: it goes
// beside Pвых, the other figure after decoding, with dashes of its own.
const TheoryLine kWordBound{"Pош. слова, граница (теория)", &kOut, "10,3,2,3",
                            &SweepPoint::theoryWordErrBound};

// A theory value that has a place on a logarithmic axis, or nothing.
std::optional<double> TheoryValue(const TheoryLine &line, const SweepPoint &p) {
    const std::optional<double> v = p.completed ? p.*(line.p) : std::nullopt;
    return v && *v > 0 && std::isfinite(*v) ? v : std::nullopt;
}

std::string Marker(const Series &s, double x, double y, bool open) {
    const std::string fill = open ? "white" : s.colour;
    if (s.square)
        return "<rect x=\"" + Px(x - 4) + "\" y=\"" + Px(y - 4) +
               "\" width=\"8\" height=\"8\" fill=\"" + fill + "\" stroke=\"" + s.colour +
               "\" stroke-width=\"1.5\"/>\n";
    return "<circle cx=\"" + Px(x) + "\" cy=\"" + Px(y) + "\" r=\"4.5\" fill=\"" + fill +
           "\" stroke=\"" + s.colour + "\" stroke-width=\"1.5\"/>\n";
}

std::string Line(double x1, double y1, double x2, double y2, const std::string &attrs) {
    return "<line x1=\"" + Px(x1) + "\" y1=\"" + Px(y1) + "\" x2=\"" + Px(x2) + "\" y2=\"" +
           Px(y2) + "\" " + attrs + "/>\n";
}

std::string Text(double x, double y, const std::string &anchor, const std::string &body,
                 const std::string &extra = "") {
    return "<text x=\"" + Px(x) + "\" y=\"" + Px(y) + "\" text-anchor=\"" + anchor + "\"" + extra +
           ">" + body + "</text>\n";
}

std::string Polyline(const Series &ser, const std::string &path) {
    return "<polyline points=\"" + path + "\" fill=\"none\" stroke=\"" + ser.colour +
           "\" stroke-width=\"1.2\"/>\n";
}

// What the points hold: the series to draw (Pвых only when some point measured it), whether a
// measured value is zero, and how many points were refused.
struct Contents {
    std::vector<const Series *> series;
    std::vector<const TheoryLine *> theory; // those some point has
    bool anyZero = false;
    std::size_t refused = 0;
};

// The scales of the plot: the parameter axis from xMin to xMax (the values xLo to xHi with room
// for a marker at each end), the probability axis over the decades expLo to expHi.
struct Plot {
    double xLo = 0, xHi = 1, xMin = 0, xMax = 1;
    int expLo = -6, expHi = 0;
    double floorValue = 0;

    double X(double v) const { return kLeft + (v - xMin) / (xMax - xMin) * (kRight - kLeft); }
    double Y(double v) const {
        const double e =
            std::clamp(std::log10(v), static_cast<double>(expLo), static_cast<double>(expHi));
        return kBottom - (e - expLo) / (expHi - expLo) * (kBottom - kTop);
    }
};

Contents ContentsOf(const std::vector<SweepPoint> &points) {
    Contents c;
    c.series.push_back(&kIn);
    bool anyCoder = false;
    for (const auto &p : points) {
        anyCoder = anyCoder || (p.completed && p.withCoder);
        c.refused += p.completed ? 0 : 1;
    }
    if (anyCoder)
        c.series.push_back(&kOut);
    for (const TheoryLine *line : {&kInTheory, &kWordBound})
        if (std::any_of(points.begin(), points.end(),
                        [line](const SweepPoint &p) { return TheoryValue(*line, p).has_value(); }))
            c.theory.push_back(line);
    return c;
}

// The parameter axis covers every value asked for, run or not.
void FitParameterAxis(Plot &plot, const std::vector<SweepPoint> &points) {
    double xLo = 0, xHi = 1;
    bool anyX = false;
    for (const auto &p : points) {
        if (!std::isfinite(p.value))
            continue;
        xLo = anyX ? std::min(xLo, p.value) : p.value;
        xHi = anyX ? std::max(xHi, p.value) : p.value;
        anyX = true;
    }
    if (xHi - xLo <= 0) {
        const double pad = std::max(1.0, std::fabs(xLo) * 0.1);
        xLo -= pad;
        xHi += pad;
    }
    const double xPad = (xHi - xLo) * 0.04;
    plot.xLo = xLo;
    plot.xHi = xHi;
    plot.xMin = xLo - xPad;
    plot.xMax = xHi + xPad;
}

// Whole decades from below the smallest measured value to above the largest upper bound; a
// point with no error observed has no place on a logarithmic axis and sits on its floor, one
// decade below the measured values, drawn open.
void FitProbabilityAxis(Plot &plot, Contents &contents, const std::vector<SweepPoint> &points) {
    double lo = 0, hi = 0;
    for (const auto &p : points) {
        if (!p.completed)
            continue;
        for (const Series *s : contents.series) {
            if (s->needsCoder && !p.withCoder)
                continue;
            const double v = p.*(s->p), c = p.*(s->conf);
            if (!(v > 0) || !std::isfinite(v)) {
                contents.anyZero = contents.anyZero || v == 0;
                continue;
            }
            lo = lo > 0 ? std::min(lo, v) : v;
            hi = std::max(hi, std::isfinite(c) ? v + std::max(c, 0.0) : v);
        }
    }
    // Theory widens the axis to its values, downwards by three decades at most: a bound of 1e-15
    // would leave the measured points crowded at the top.
    double theoryLo = 0;
    for (const auto &p : points)
        for (const TheoryLine *line : contents.theory)
            if (const auto v = TheoryValue(*line, p)) {
                theoryLo = theoryLo > 0 ? std::min(theoryLo, *v) : *v;
                hi = std::max(hi, *v);
            }
    if (theoryLo > 0)
        lo = lo > 0 ? std::min(lo, std::max(theoryLo, lo / 1000)) : theoryLo;
    int expLo = -6, expHi = 0;
    if (lo > 0) {
        expLo = static_cast<int>(std::floor(std::log10(lo)));
        expHi = static_cast<int>(std::ceil(std::log10(hi)));
        if (contents.anyZero)
            --expLo;
        expLo = std::max(expLo, -300);
        if (expHi <= expLo)
            expHi = expLo + 1;
    }
    plot.expLo = expLo;
    plot.expHi = expHi;
    plot.floorValue = std::pow(10.0, expLo);
    // A theory line wholly below the axis is neither drawn nor named.
    std::erase_if(contents.theory, [&](const TheoryLine *line) {
        return std::none_of(points.begin(), points.end(), [&](const SweepPoint &p) {
            return TheoryValue(*line, p).value_or(0) >= plot.floorValue;
        });
    });
}

std::string Heading(const std::string &title, const Provenance &from) {
    std::string s = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + Px(kWidth) + "\" height=\"" +
         Px(kHeight) +
         "\" viewBox=\"0 0 800 500\" font-family=\"DejaVu Sans, Arial, sans-serif\" "
         "font-size=\"12\">\n";
    s += "<desc>" + XmlText(ProvenanceLine(from)) + "</desc>\n";
    s += "<rect x=\"0\" y=\"0\" width=\"800\" height=\"500\" fill=\"white\"/>\n";
    s += Text(kWidth / 2, 30, "middle", XmlText(title), " font-size=\"15\" font-weight=\"bold\"");
    return s;
}

// Decades with their grid lines, and the 2..9 ticks between them.
std::string ProbabilityTicks(const Plot &plot) {
    std::string s;
    const int expLo = plot.expLo, expHi = plot.expHi;
    const int decadeLabelStep = (expHi - expLo + 11) / 12; // at most a dozen labels
    for (int e = expLo; e <= expHi; ++e) {
        const double y = plot.Y(std::pow(10.0, e));
        s += Line(kLeft, y, kRight, y, "stroke=\"#dddddd\"");
        s += Line(kLeft - 6, y, kLeft, y, "stroke=\"black\"");
        if ((e - expLo) % decadeLabelStep == 0)
            s += Text(kLeft - 10, y + 4, "end",
                      "10<tspan dy=\"-6\" font-size=\"9\">" + std::string(e < 0 ? "−" : "") +
                          std::to_string(std::abs(e)) + "</tspan>");
        if (e < expHi && expHi - expLo <= 12)
            for (int k = 2; k <= 9; ++k) {
                const double ym = plot.Y(k * std::pow(10.0, e));
                s += Line(kLeft - 3, ym, kLeft, ym, "stroke=\"black\"");
            }
    }
    return s;
}

std::string ParameterTicks(const Plot &plot) {
    std::string s;
    const double step = NiceStep(plot.xHi - plot.xLo);
    const double firstTick = std::ceil(plot.xMin / step);
    const double lastTick = std::floor(plot.xMax / step + 1e-9);
    // Counted, not accumulated: far from zero a step can be below the resolution of the value.
    for (int i = 0; std::isfinite(step) && step > 0 && i <= lastTick - firstTick && i < 100; ++i) {
        const double t = (firstTick + i) * step;
        const double x = plot.X(t);
        s += Line(x, kTop, x, kBottom, "stroke=\"#eeeeee\"");
        s += Line(x, kBottom, x, kBottom + 6, "stroke=\"black\"");
        s += Text(x, kBottom + 20, "middle", TickText(t));
    }
    return s;
}

std::string FrameAndTitles(const std::string &field) {
    std::string s = "<rect x=\"" + Px(kLeft) + "\" y=\"" + Px(kTop) + "\" width=\"" +
                    Px(kRight - kLeft) + "\" height=\"" + Px(kBottom - kTop) +
                    "\" fill=\"none\" stroke=\"black\"/>\n";
    s += Text((kLeft + kRight) / 2, kBottom + 45, "middle", XmlText(field));
    s += Text(25, (kTop + kBottom) / 2, "middle", "Вероятность ошибки",
              " transform=\"rotate(-90 25 " + Px((kTop + kBottom) / 2) + ")\"");
    return s;
}

// The bar of a measured value from v - c to v + c; a lower bound below the axis runs the bar to
// the floor, without a cap.
std::string ConfidenceBar(const Plot &plot, const Series &ser, double x, double v, double c) {
    const double top = plot.Y(v + c), bottom = plot.Y(std::max(v - c, plot.floorValue));
    const std::string pen = "stroke=\"" + std::string(ser.colour) + "\" stroke-width=\"1.2\"";
    std::string s = Line(x, top, x, bottom, pen);
    s += Line(x - 3, top, x + 3, top, pen);
    if (v - c >= plot.floorValue)
        s += Line(x - 3, bottom, x + 3, bottom, pen);
    return s;
}

// A series' line with its bars, then its markers over them.
std::string SeriesDrawing(const Plot &plot, const Series &ser,
                          const std::vector<SweepPoint> &points) {
    std::string s;
    std::string path; // broken where a point is refused or saw no error
    std::string marks;
    for (const auto &p : points) {
        const bool measured = p.completed && (!ser.needsCoder || p.withCoder);
        const double v = measured ? p.*(ser.p) : 0, c = measured ? p.*(ser.conf) : 0;
        if (!measured || !(v > 0) || !std::isfinite(v)) {
            if (measured && v == 0)
                marks += Marker(ser, plot.X(p.value) + ser.dx, plot.Y(plot.floorValue), true);
            if (!path.empty())
                s += Polyline(ser, path);
            path.clear();
            continue;
        }
        const double x = plot.X(p.value) + ser.dx;
        path += (path.empty() ? "" : " ") + Px(x) + "," + Px(plot.Y(v));
        if (std::isfinite(c) && c > 0)
            s += ConfidenceBar(plot, ser, x, v, c);
        marks += Marker(ser, x, plot.Y(v), false);
    }
    if (!path.empty())
        s += Polyline(ser, path);
    return s + marks;
}

// Wider than the measured line: where theory and measurement agree, its dashes still show on it.
std::string TheoryPen(const TheoryLine &line) {
    return "fill=\"none\" stroke=\"" + std::string(line.beside->colour) +
           "\" stroke-width=\"2.2\" stroke-dasharray=\"" + line.dashes + "\"";
}

// A theory line over the points where it has a value on the axis; a point alone between gaps is a
// short dash.
std::string TheoryDrawing(const Plot &plot, const TheoryLine &line,
                          const std::vector<SweepPoint> &points) {
    const std::string pen = TheoryPen(line);
    std::string s, path;
    int inPath = 0;
    double lastX = 0, lastY = 0;
    const auto flush = [&] {
        if (inPath > 1)
            s += "<polyline points=\"" + path + "\" " + pen + "/>\n";
        else if (inPath == 1)
            s += Line(lastX - 6, lastY, lastX + 6, lastY, pen);
        path.clear();
        inPath = 0;
    };
    for (const auto &p : points) {
        const std::optional<double> v = TheoryValue(line, p);
        if (!v || *v < plot.floorValue) {
            flush();
            continue;
        }
        lastX = plot.X(p.value);
        lastY = plot.Y(*v);
        path += (path.empty() ? "" : " ") + Px(lastX) + "," + Px(lastY);
        ++inPath;
    }
    flush();
    return s;
}

// The legend, in the upper right corner of the plot.
std::string Legend(const Contents &contents) {
    const int rows = static_cast<int>(contents.series.size() + contents.theory.size()) +
                     (contents.anyZero ? 1 : 0) + (contents.refused ? 1 : 0);
    const double lx = kRight - 310, ly = kTop + 10;
    std::string s = "<rect x=\"" + Px(lx) + "\" y=\"" + Px(ly) + "\" width=\"300\" height=\"" +
                    Px(10 + rows * 20.0) +
                    "\" fill=\"white\" fill-opacity=\"0.9\" stroke=\"#999999\"/>\n";
    double row = ly + 18;
    for (const Series *ser : contents.series) {
        s += Line(lx + 10, row - 4, lx + 40, row - 4,
                  "stroke=\"" + std::string(ser->colour) + "\" stroke-width=\"1.2\"");
        s += Marker(*ser, lx + 25, row - 4, false);
        s += Text(lx + 50, row, "start", std::string(ser->name) + " ± полуширина интервала");
        row += 20;
    }
    for (const TheoryLine *line : contents.theory) {
        s += Line(lx + 10, row - 4, lx + 40, row - 4, TheoryPen(*line));
        s += Text(lx + 50, row, "start", line->name);
        row += 20;
    }
    if (contents.anyZero) {
        s += Marker(kIn, lx + 25, row - 4, true);
        s += Text(lx + 50, row, "start", "ошибок не было (на нижней границе)");
        row += 20;
    }
    if (contents.refused)
        s +=
            Text(lx + 10, row, "start", "не рассчитано точек: " + std::to_string(contents.refused));
    return s;
}

} // namespace

std::string SweepSvg(const std::string &field, const std::vector<SweepPoint> &points,
                     const std::string &title, const Provenance &from) {
    Contents contents = ContentsOf(points);
    Plot plot;
    FitParameterAxis(plot, points);
    FitProbabilityAxis(plot, contents, points);

    std::string s = Heading(title, from);
    s += ProbabilityTicks(plot);
    s += ParameterTicks(plot);
    s += FrameAndTitles(field);
    for (const TheoryLine *line : contents.theory)
        s += TheoryDrawing(plot, *line, points);
    for (const Series *ser : contents.series)
        s += SeriesDrawing(plot, *ser, points);
    s += Legend(contents);
    s += "</svg>\n";
    return s;
}
} // namespace spi
