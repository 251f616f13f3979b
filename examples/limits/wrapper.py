#!/usr/bin/env python3
"""Your limit code as a limit command for `tolvane --limits`.

    tolvane --limits 'python3 wrapper.py approx'                # the worked example below
    tolvane --limits 'python3 wrapper.py tolvane-limits [PATH]'  # the program's own limits

Fill in `limits` with your own code; the loop at the bottom speaks the line
protocol of tolvane-limits(1). A request

    kind df s alpha lambda gamma2 ybar [FunctionTol ResultTol]

asks, for a sample mean ybar of variance sigma^2/gamma2 and a sample standard
deviation s on df degrees of freedom, for a limit on theta = mu + lambda*sigma^2:

  kind 1: the one limit U with Pr(U >= theta) = alpha, that is the upper limit
          of confidence alpha for alpha above 0.5 and the lower limit of
          confidence 1 - alpha below it;
  kind 2: the interval [lower, upper] with Pr(lower < theta <= upper) = alpha.

Each request gets one answer line, flushed at once: tolvane waits for it before
it sends the next request, so an answer left in a buffer stalls the run until
its time limit.

tolvane integrates over s alone and moves each limit with ybar, so it checks
that `limits` is a function of the request only (the same request asked again
gets the same answer, bit for bit: no random draws, no clock) and that the
limit at ybar + d is the limit at ybar plus d: compute the part that depends on
s and add ybar. A case whose limits fail either check is reported failed.
"""
import math
import statistics
import subprocess
import sys

NORMAL = statistics.NormalDist()

# FunctionTol and ResultTol of the request being answered (tolvane sends the
# run's own with every request), as text; empty when the request has none.
tolerances = []


def approx(kind, df, s, alpha, lam, gamma2, ybar):
    """The widely used closed-form interval for a lognormal mean (lambda = 0.5):
    ybar + s^2/2 +- z*sqrt(s^2/n + s^4/(2(n - 1))) on the log scale, n = df + 1,
    written for any lambda and gamma2: the variance of ybar + lambda*s^2 is
    estimated by s^2/gamma2 + 2*lambda^2*s^4/df."""
    centre = ybar + lam * s * s
    se = math.sqrt(s * s / gamma2 + 2.0 * lam * lam * s ** 4 / df)
    if kind == 1:
        return centre + NORMAL.inv_cdf(alpha) * se
    z = NORMAL.inv_cdf((1.0 + alpha) / 2.0)
    return centre - z * se, centre + z * se


class OwnLimits:
    """The program's own exact limits, asked of tolvane-limits through two pipes
    that stay open for the whole run."""

    def __init__(self, command="tolvane-limits"):
        # A list, not a shell line: the path is a name, never code.
        self.process = subprocess.Popen([command], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        text=True, bufsize=1)

    def __call__(self, kind, df, s, alpha, lam, gamma2, ybar):
        # The run's tolerances go on, so that the limits are those of a plain run.
        request = " ".join([real(v) for v in (kind, df, s, alpha, lam, gamma2, ybar)] + tolerances)
        self.process.stdin.write(request + "\n")
        self.process.stdin.flush()
        answer = self.process.stdout.readline()
        if not answer:
            raise RuntimeError("tolvane-limits ended")
        if answer.startswith("error:"):
            raise RuntimeError(answer[len("error:"):].strip())
        values = [float(v) for v in answer.split()]
        return values[1] if kind == 1 else (values[1], values[3])


def limits(kind, df, s, alpha, lam, gamma2, ybar):
    """Fill in: return the limit (kind 1) or the pair (lower, upper) (kind 2).
    Raise an exception for a request your code cannot answer; its text becomes
    the answer 'error: ...'."""
    raise NotImplementedError("limits() of wrapper.py is not filled in")


def real(v):
    """17 significant digits: every double reads back exactly."""
    return "%.17g" % v


def h_factor(limit, df, s, lam, gamma2, ybar):
    """The H of a limit, limit = ybar + lambda*s^2 + sign(lambda)*H*s*sqrt((df+1)/df)/sqrt(gamma2),
    which the answer carries beside it (tolvane reads the limits only)."""
    scale = s * math.sqrt((df + 1.0) / df) / math.sqrt(gamma2)
    return math.copysign(1.0, lam) * (limit - ybar - lam * s * s) / scale


def answer(line, fill):
    global tolerances
    fields = line.split()
    if len(fields) not in (7, 9):
        return "error: a request has 7 or 9 numbers, not %d" % len(fields)
    try:
        numbers = [float(f) for f in fields]
    except ValueError:
        return "error: not a number in the request"
    kind = int(numbers[0])
    if kind not in (1, 2) or numbers[0] != kind:
        return "error: kind must be 1 or 2"
    df, s, alpha, lam, gamma2, ybar = numbers[1:7]
    tolerances = fields[7:9]
    try:
        got = fill(kind, df, s, alpha, lam, gamma2, ybar)
        if kind == 1:
            return "%s %s" % (real(h_factor(got, df, s, lam, gamma2, ybar)), real(got))
        lower, upper = got
        return " ".join(real(v) for v in (h_factor(lower, df, s, lam, gamma2, ybar), lower,
                                           h_factor(upper, df, s, lam, gamma2, ybar), upper))
    except Exception as e:  # one bad request must not end the conversation
        return "error: " + " ".join(str(e).split())


def main(argv):
    fill = limits
    if len(argv) > 1 and argv[1] == "approx":
        fill = approx
    elif len(argv) > 1 and argv[1] == "tolvane-limits":
        fill = OwnLimits(*argv[2:3])
    elif len(argv) > 1:
        sys.exit("wrapper.py: give approx, tolvane-limits [PATH] or nothing, not '%s'" % argv[1])
    for line in sys.stdin:
        print(answer(line, fill), flush=True)


if __name__ == "__main__":
    main(sys.argv)
