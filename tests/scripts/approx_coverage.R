# The coverage error of the closed-form approximate interval for a lognormal
# mean, computed here apart from tolvane: R's own chi-square quantile, normal
# distribution and integrator, and the approximation written as it is published,
#   ybar + s^2/2 +- z*sqrt(s^2/n + s^4/(2(n - 1))),  n = df + 1,
# for the standardised case of tolvane's runs (mu = 0, lambda = 0.5, ybar of
# variance sigma^2/n). Like tolvane, the integral over p leaves out AdapQuadTol
# at both ends.
# Any other setting too: mu + lambda*sigma^2 with ybar ~ N(mu, sigma^2/gamma2),
# the approximation then ybar + lambda*s^2 +- z*sqrt(s^2/gamma2 + 2 lambda^2 s^4/df).
#   Rscript approx_coverage.R ADAPQUADTOL <cases
# reads lines "kind df sigma alpha [lambda gamma2 mu]" and prints each with the
# coverage minus its target 1 - alpha: for kind 1 Pr(U < theta), for kind 2
# Pr(lower >= theta) + Pr(upper < theta).
tol <- as.numeric(commandArgs(trailingOnly = TRUE)[1])
error_of <- function(kind, df, sigma, alpha, lambda = 0.5, gamma2 = df + 1, mu = 0) {
  theta <- mu + lambda * sigma^2
  # Pr(ybar + c < theta) for ybar ~ N(mu, sigma^2/gamma2).
  below <- function(c) pnorm((theta - mu - c) * sqrt(gamma2) / sigma)
  integrand <- function(p) {
    s2 <- sigma^2 * qchisq(p, df) / df
    half <- sqrt(s2 / gamma2 + 2 * lambda^2 * s2^2 / df)
    if (kind == 1) return(below(lambda * s2 + qnorm(alpha) * half))
    z <- qnorm((1 + alpha) / 2)
    (1 - below(lambda * s2 - z * half)) + below(lambda * s2 + z * half)
  }
  part <- function(a, b) integrate(integrand, a, b, rel.tol = 1e-10, abs.tol = 1e-12, subdivisions = 2000L)$value
  part(tol, 0.5) + part(0.5, 1 - tol) - (1 - alpha)
}
input <- file("stdin", open = "r")
while (length(line <- readLines(input, n = 1)) > 0) {
  v <- as.numeric(strsplit(trimws(line), "[ \t]+")[[1]])
  e <- if (length(v) >= 7) error_of(v[1], v[2], v[3], v[4], v[5], v[6], v[7]) else
    error_of(v[1], v[2], v[3], v[4])
  cat(line, sprintf("%.10g", e), "\n")
}
