#!/usr/bin/env Rscript
# Your limit code as a limit command for `tolvane --limits`.
#
#   tolvane --limits 'Rscript wrapper.R approx'                # the worked example below
#   tolvane --limits 'Rscript wrapper.R tolvane-limits [PATH]'  # the program's own limits
#
# Fill in `limits` with your own code; the loop at the bottom speaks the line
# protocol of tolvane-limits(1). A request
#
#   kind df s alpha lambda gamma2 ybar [FunctionTol ResultTol]
#
# asks, for a sample mean ybar of variance sigma^2/gamma2 and a sample standard
# deviation s on df degrees of freedom, for a limit on theta = mu + lambda*sigma^2:
#
#   kind 1: the one limit U with Pr(U >= theta) = alpha, that is the upper limit
#           of confidence alpha for alpha above 0.5 and the lower limit of
#           confidence 1 - alpha below it;
#   kind 2: the interval [lower, upper] with Pr(lower < theta <= upper) = alpha.
#
# Each request gets one answer line, flushed at once (flush(stdout())): tolvane
# waits for it before it sends the next request, so an answer left in a buffer
# stalls the run until its time limit.
#
# tolvane integrates over s alone and moves each limit with ybar, so it checks
# that `limits` is a function of the request only (the same request asked again
# gets the same answer, bit for bit: no random draws, no clock) and that the
# limit at ybar + d is the limit at ybar plus d: compute the part that depends
# on s and add ybar. A case whose limits fail either check is reported failed.

# FunctionTol and ResultTol of the request being answered (tolvane sends the
# run's own with every request), as text; empty when the request has none.
tolerances <- character(0)

# The widely used closed-form interval for a lognormal mean (lambda = 0.5):
# ybar + s^2/2 +- z*sqrt(s^2/n + s^4/(2(n - 1))) on the log scale, n = df + 1,
# written for any lambda and gamma2: the variance of ybar + lambda*s^2 is
# estimated by s^2/gamma2 + 2*lambda^2*s^4/df.
approx <- function(kind, df, s, alpha, lambda, gamma2, ybar) {
  centre <- ybar + lambda * s^2
  se <- sqrt(s^2 / gamma2 + 2 * lambda^2 * s^4 / df)
  if (kind == 1) return(centre + qnorm(alpha) * se)
  z <- qnorm((1 + alpha) / 2)
  c(centre - z * se, centre + z * se)
}

# The program's own exact limits, asked of tolvane-limits for the whole run. R's
# pipes go one way, so the answers come back through a FIFO.
own_limits <- function(command = "tolvane-limits") {
  fifo_path <- tempfile("tolvane-limits-")
  if (system2("mkfifo", shQuote(fifo_path)) != 0) stop("cannot make a FIFO")
  # shQuote: the path and the FIFO are names, never code for the shell.
  to <- pipe(paste("exec", shQuote(command), ">", shQuote(fifo_path)), open = "w")
  from <- fifo(fifo_path, open = "r", blocking = TRUE)
  function(kind, df, s, alpha, lambda, gamma2, ybar) {
    # The run's tolerances go on, so that the limits are those of a plain run.
    writeLines(paste(c(real(c(kind, df, s, alpha, lambda, gamma2, ybar)), tolerances), collapse = " "), to)
    flush(to)
    answer <- readLines(from, n = 1)
    if (length(answer) == 0) stop("tolvane-limits ended")
    if (startsWith(answer, "error:")) stop(trimws(substring(answer, 7)))
    values <- as.numeric(strsplit(trimws(answer), "[ \t]+")[[1]])
    if (kind == 1) values[2] else values[c(2, 4)]
  }
}

# Fill in: return the limit (kind 1) or c(lower, upper) (kind 2). Call stop() for
# a request your code cannot answer; its text becomes the answer "error: ...".
limits <- function(kind, df, s, alpha, lambda, gamma2, ybar) {
  stop("limits() of wrapper.R is not filled in")
}

# 17 significant digits: every double reads back exactly.
real <- function(v) sprintf("%.17g", v)

# The H of a limit, limit = ybar + lambda*s^2 + sign(lambda)*H*s*sqrt((df+1)/df)/sqrt(gamma2),
# which the answer carries beside it (tolvane reads the limits only). The sign
# is +1 at lambda 0, as in tolvane-limits' t limits (R's sign(0) is 0).
h_factor <- function(limit, df, s, lambda, gamma2, ybar) {
  direction <- if (lambda < 0) -1 else 1
  direction * (limit - ybar - lambda * s^2) / (s * sqrt((df + 1) / df) / sqrt(gamma2))
}

answer <- function(line, fill) {
  fields <- strsplit(trimws(line), "[ \t]+")[[1]]
  if (!(length(fields) %in% c(7, 9)))
    return(sprintf("error: a request has 7 or 9 numbers, not %d", length(fields)))
  numbers <- suppressWarnings(as.numeric(fields))
  if (anyNA(numbers)) return("error: not a number in the request")
  kind <- numbers[1]
  if (!(kind %in% c(1, 2))) return("error: kind must be 1 or 2")
  df <- numbers[2]; s <- numbers[3]; alpha <- numbers[4]
  lambda <- numbers[5]; gamma2 <- numbers[6]; ybar <- numbers[7]
  tolerances <<- fields[-(1:7)]
  # One bad request must not end the conversation.
  tryCatch({
    got <- fill(kind, df, s, alpha, lambda, gamma2, ybar)
    h <- h_factor(got, df, s, lambda, gamma2, ybar)
    paste(real(rbind(h, got)), collapse = " ")
  }, error = function(e) paste("error:", gsub("[[:space:]]+", " ", conditionMessage(e))))
}

main <- function(args) {
  fill <- limits
  if (length(args) >= 1) {
    if (args[1] == "approx") fill <- approx
    else if (args[1] == "tolvane-limits")
      fill <- if (length(args) >= 2) own_limits(args[2]) else own_limits()
    else stop(sprintf("give approx, tolvane-limits [PATH] or nothing, not '%s'", args[1]))
  }
  input <- file("stdin", open = "r")
  while (length(line <- readLines(input, n = 1)) > 0) {
    cat(answer(line, fill), "\n", sep = "")
    flush(stdout())
  }
}

main(commandArgs(trailingOnly = TRUE))
