#!/usr/bin/python3
"""Pвх and Pвых against Hp for two codes over the Markov channel ("ДК"): the default chain (code
type 5, the (7,3) code with the majority decoder) and Reed-Solomon (255,239) with decoder АБМЧ
(code type 18, code 12). Each point runs until 50 decoded words were in error (100 with --full) or
the ceiling of words was reached; the bars are the confidence half-widths. Writes a PNG.

    examples/sweep_hp.py [--output sweep-hp.png] [--full] [--threads N]
"""
import argparse
import time

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402  (after the backend)
import numpy as np  # noqa: E402

import spi_workbench as spi  # noqa: E402

HP = range(1, 25, 2)


def chains():
    """The two chains, each as a model and a ceiling of words (quick, full)."""
    default = spi.Model()
    rs = spi.Model()
    rs.code(18, 12)
    return [("код (7,3), тип 5", default, (10**6, 5 * 10**6)),
            ("RS(255,239), тип 18", rs, (20_000, 500_000))]


def plot(curves, path, note):
    fig, ax = plt.subplots(figsize=(8, 5), dpi=100)
    for (label, s), colour in zip(curves, ("tab:blue", "tab:red")):
        ok = s.completed
        hp = s.values[ok]
        for p, conf, style, name in ((s.p_err_in, s.p_err_in_conf, "o--", "Pвх"),
                                     (s.p_err_out, s.p_err_out_conf, "s-", "Pвых")):
            y, h = p[ok], conf[ok]
            seen = y > 0  # a point with no error seen has no place on the log axis
            ax.errorbar(hp[seen], y[seen], yerr=np.minimum(h[seen], y[seen] * 0.999),
                        fmt=style, color=colour, capsize=3, markersize=4,
                        label=f"{name}, {label}")
    ax.set_yscale("log")
    ax.set_xlabel("Hp")
    ax.set_ylabel("эквивалентная вероятность ошибки")
    ax.set_title("Pвх и Pвых от Hp, ДК, " + note)
    ax.grid(True, which="both", alpha=0.3)
    ax.legend(fontsize=8)
    fig.tight_layout()
    fig.savefig(path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--output", default="sweep-hp.png", help="the PNG to write")
    parser.add_argument("--full", action="store_true",
                        help="100 words in error per point and higher ceilings (minutes)")
    parser.add_argument("--threads", type=int, default=2)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    errors = 100 if args.full else 50
    curves = []
    for label, model, ceilings in chains():
        start = time.monotonic()
        s = spi.sweep(model, "contHp", HP, words=ceilings[args.full], max_word_errors=errors,
                      threads=args.threads, seed=args.seed)
        print(f"{label}: {len(s)} points in {time.monotonic() - start:.1f} s")
        for p in s:
            print("  ", p)
        curves.append((label, s))
    plot(curves, args.output, f"до {errors} ошибочных слов в точке")
    print("written:", args.output)


if __name__ == "__main__":
    main()
