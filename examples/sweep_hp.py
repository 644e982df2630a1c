#!/usr/bin/python3
"""Pвх, Pвых and the share of decoded words in error against Hp for two codes over the Markov
channel ("ДК"): the default chain (code type 5, the (7,3) code with the majority decoder) and
Reed-Solomon (255,239) with decoder АБМЧ (code type 18, code 12). Each point runs until 50 decoded
words were in error (100 with --full) or the ceiling of words was reached; the bars are the
confidence half-widths. The dashed lines are theory: the discrete channel's mean error probability
beside Pвх, and the decoder's upper bound on the share of decoded words in error beside the
measured share. Writes a PNG.

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


def theory(ax, x, y, colour, style, label):
    """A theory column as a dashed line, broken where theory is absent (NaN)."""
    if np.isfinite(y).any():
        ax.plot(x, np.where(y > 0, y, np.nan), style, color=colour, linewidth=1.4, label=label)


def plot(curves, path, note):
    """One panel per code: Pвх, Pвых and the share of decoded words in error as measured (markers,
    bars of the half-widths), the theory of the channel and the decoder's bound dashed. Pвх's
    points stand alone, so that the theory's line through them shows."""
    fig, axes = plt.subplots(1, len(curves), figsize=(12, 5), dpi=100, sharey=True)
    for ax, (label, s) in zip(axes, curves):
        ok = s.completed
        hp = s.values[ok]
        for p, conf, style, colour, name in (
                (s.p_err_in, s.p_err_in_conf, "o", "tab:blue", "Pвх"),
                (s.p_err_out, s.p_err_out_conf, "s-", "tab:red", "Pвых")):
            y, h = p[ok], conf[ok]
            seen = y > 0  # a point with no error seen has no place on the log axis
            ax.errorbar(hp[seen], y[seen], yerr=np.minimum(h[seen], y[seen] * 0.999), fmt=style,
                        color=colour, capsize=3, markersize=4, linewidth=1, label=name)
        words = s.word_err_prob_after[ok]
        ax.plot(hp[words > 0], words[words > 0], "^-", color="tab:green", markersize=4,
                linewidth=1, label="доля ошибочных слов")
        theory(ax, hp, s.theory_p_err_in[ok], "tab:blue", "--", "Pвх, теория")
        theory(ax, hp, s.theory_word_err_bound[ok], "tab:green", "--",
               "доля ошибочных слов, граница (теория)")
        handles, labels = ax.get_legend_handles_labels()
        # measured first (Pвх, Pвых, then the words), theory last
        order = sorted(range(len(labels)),
                       key=lambda i: ("теория" in labels[i], labels[i][0] != "P", i))
        ax.legend([handles[i] for i in order], [labels[i] for i in order], fontsize=8,
                  loc="lower left")
        ax.set_yscale("log")
        ax.set_xlabel("Hp")
        ax.set_title(label)
        ax.grid(True, which="both", alpha=0.3)
    axes[0].set_ylabel("вероятность ошибки, доля слов")
    fig.suptitle("Pвх, Pвых и доля ошибочных слов от Hp, ДК, " + note)
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
