#pragma once

// The options every VEXMORA MONITOR binary takes (--help, --version, --verbose) on top of the
// binary's own. Parsed before any display or audio connection exists, so that --help and
// --version work anywhere. Main thread.

#include <QCommandLineParser>
#include <optional>

class ProgramCommandLine {
 public:
  ProgramCommandLine(const QString& executable, const QString& description);

  // Add the binary's own options here before parse().
  QCommandLineParser& parser() { return parser_; }

  // The exit code when the program should end at once: 0 after printing the help or the version,
  // 2 after reporting a bad command line on stderr. Without one the program runs, with log
  // messages timestamped and, for --verbose, the vexmora categories' info messages on stderr.
  std::optional<int> parse(int argc, char** argv);

  bool isVerbose() const { return parser_.isSet(verbose_); }

 private:
  QString executable_;
  QCommandLineParser parser_;
  QCommandLineOption help_;
  QCommandLineOption version_;
  QCommandLineOption verbose_;
};
