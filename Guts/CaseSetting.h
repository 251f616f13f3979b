// The setting of a case: the function mu + lambda*sigma^2 whose limits are
// verified, and gamma^2, the squared ratio of sigma to the standard error of
// the sample mean. The default (mu 0, lambda 0.5, gamma^2 = df + 1) is a
// simple random sample's lognormal mean; every stored input file runs in it.
#pragma once
#include <string>

// gamma^2: a number, or df + K.
struct Gamma2 {
    bool plus_df = true;
    double value = 1.0;  // K of df + K, or the number itself
    double of(double df) const { return plus_df ? df + value : value; }
    bool is_default() const { return plus_df && value == 1.0; }
};

// Reads gamma^2 as a number ("12.5") or as df + K ("df+1", "df", "df-0.5",
// blanks allowed around the sign); false for anything else.
bool parse_gamma2(const std::string& text, Gamma2& g);
// gamma^2 as the records and headings show it: "df+1", "df", "df-0.5", "12.5".
std::string gamma2_text(const Gamma2& g);

// The setting as the dialogue's help text and the reports' headings say it:
// "mu=0, lambda=0.5, gamma-squared=df+1".
std::string setting_text(double mu, double lambda, const Gamma2& g);

// Empty when a case's computation has a meaning in this setting; otherwise
// why not: lambda, gamma^2 (its value at the case's df) and mu must be finite,
// gamma^2 positive, the target mu + lambda*sigma^2 and the standard error
// sigma/gamma finite numbers, the latter above 0.
std::string setting_fault(double sigma, double lambda, double gamma2, double mu);
