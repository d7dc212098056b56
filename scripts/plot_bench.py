#!/usr/bin/env python3
"""Draws frame and start-up times against map size from bench_frame's output.

usage: plot_bench.py <bench output> <svg to write>

Reads the "plot size=N key=value ..." lines that bench_frame prints last and
writes a log-log chart as SVG, with nothing but the standard library.
"""
import math
import sys

SERIES = [
    # key, label, colour, dashed
    ("startup_ms", "start-up (to the end of the first frame)", "#7b3294", False),
    ("full_ms", "full-detail frame", "#d7301f", False),
    ("full_bare_ms", "full-detail bare call stream", "#fc8d59", True),
    ("ring_ms", "ring frame", "#2166ac", False),
    ("ring_bare_ms", "ring bare call stream", "#67a9cf", True),
]

WIDTH, HEIGHT = 800, 470
LEFT, RIGHT, TOP, BOTTOM = 70, 290, 40, 60


def read_points(path):
    rows = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if not line.startswith("plot "):
                continue
            fields = dict(item.split("=", 1) for item in line.split()[1:])
            rows.append({k: float(v) for k, v in fields.items()})
    rows.sort(key=lambda r: r["size"])
    return rows


def decades(lo, hi):
    return list(range(math.floor(math.log10(lo)), math.ceil(math.log10(hi)) + 1))


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__.split("\n\n")[1] + "\n")
        return 2
    rows = read_points(argv[1])
    if not rows:
        sys.stderr.write("plot_bench.py: no plot lines in %s\n" % argv[1])
        return 1

    sizes = [r["size"] for r in rows]
    values = [r[k] for r in rows for k, _, _, _ in SERIES if r.get(k, 0) > 0]
    x_lo, x_hi = math.log2(min(sizes)), math.log2(max(sizes))
    y_dec = decades(min(values), max(values))
    y_lo, y_hi = y_dec[0], y_dec[-1]
    plot_w, plot_h = WIDTH - LEFT - RIGHT, HEIGHT - TOP - BOTTOM

    def px(size):
        return LEFT + (math.log2(size) - x_lo) / max(x_hi - x_lo, 1e-9) * plot_w

    def py(ms):
        return TOP + (1 - (math.log10(ms) - y_lo) / max(y_hi - y_lo, 1e-9)) * plot_h

    out = []
    out.append('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" '
               'font-family="sans-serif" font-size="12">' % (WIDTH, HEIGHT))
    out.append('<rect width="100%" height="100%" fill="white"/>')
    out.append('<text x="%d" y="22" font-size="14" font-weight="bold">'
               'Frame and start-up time against map size (Mesa llvmpipe, 1024x768)</text>' % LEFT)
    for d in range(y_lo, y_hi + 1):
        y = py(10 ** d)
        out.append('<line x1="%d" y1="%.1f" x2="%d" y2="%.1f" stroke="#ddd"/>' % (LEFT, y, LEFT + plot_w, y))
        label = ("%g ms" % 10 ** d) if d >= 0 else ("%g ms" % round(10 ** d, 6))
        out.append('<text x="%d" y="%.1f" text-anchor="end">%s</text>' % (LEFT - 6, y + 4, label))
    for s in sizes:
        x = px(s)
        out.append('<line x1="%.1f" y1="%d" x2="%.1f" y2="%d" stroke="#ddd"/>' % (x, TOP, x, TOP + plot_h))
        out.append('<text x="%.1f" y="%d" text-anchor="middle">%d²</text>' % (x, TOP + plot_h + 18, s))
    out.append('<text x="%.1f" y="%d" text-anchor="middle">map size (grid points)</text>'
               % (LEFT + plot_w / 2, HEIGHT - 16))
    out.append('<rect x="%d" y="%d" width="%d" height="%d" fill="none" stroke="#444"/>'
               % (LEFT, TOP, plot_w, plot_h))

    for i, (key, label, colour, dashed) in enumerate(SERIES):
        pts = [(px(r["size"]), py(r[key])) for r in rows if r.get(key, 0) > 0]
        if not pts:
            continue
        dash = ' stroke-dasharray="6,4"' if dashed else ""
        out.append('<polyline fill="none" stroke="%s" stroke-width="2"%s points="%s"/>'
                   % (colour, dash, " ".join("%.1f,%.1f" % p for p in pts)))
        for x, y in pts:
            out.append('<circle cx="%.1f" cy="%.1f" r="3" fill="%s"/>' % (x, y, colour))
        ly = TOP + 10 + i * 22
        lx = LEFT + plot_w + 16
        out.append('<line x1="%d" y1="%d" x2="%d" y2="%d" stroke="%s" stroke-width="2"%s/>'
                   % (lx, ly, lx + 26, ly, colour, dash))
        out.append('<text x="%d" y="%d">%s</text>' % (lx + 32, ly + 4, label))
    out.append("</svg>")

    with open(argv[2], "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
