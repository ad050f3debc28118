#include "app/console/ProgramCommandLine.h"

#include <QLoggingCategory>
#include <cstdio>

ProgramCommandLine::ProgramCommandLine(const QString& executable, const QString& description)
    : executable_(executable),
      help_({QStringLiteral("h"), QStringLiteral("help")}, QStringLiteral("Show this help.")),
      version_(QStringLiteral("version"), QStringLiteral("Show the version.")),
      verbose_(QStringLiteral("verbose"),
               QStringLiteral("Log route and device events to stderr, with timestamps.")) {
  parser_.setApplicationDescription(description);
  parser_.addOption(help_);
  parser_.addOption(version_);
  parser_.addOption(verbose_);
}

std::optional<int> ProgramCommandLine::parse(int argc, char** argv) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(QString::fromLocal8Bit(argv[i]));
  if (!parser_.parse(arguments)) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help' for the options.\n", qPrintable(executable_),
                 qPrintable(parser_.errorText()), qPrintable(executable_));
    return 2;
  }
  if (!parser_.positionalArguments().isEmpty()) {
    std::fprintf(stderr, "%s: unexpected argument '%s'\nTry '%s --help' for the options.\n",
                 qPrintable(executable_), qPrintable(parser_.positionalArguments().first()),
                 qPrintable(executable_));
    return 2;
  }
  if (parser_.isSet(help_)) {
    std::fputs(
        qPrintable(parser_.helpText().replace(QStringLiteral("<executable_name>"), executable_)),
        stdout);
    return 0;
  }
  if (parser_.isSet(version_)) {
    std::printf("%s %s\n", qPrintable(executable_), VX_VERSION);
    return 0;
  }
  // A pattern with the time, so that a pasted log shows when each event happened;
  // QT_MESSAGE_PATTERN still overrides it.
  qSetMessagePattern(
      QStringLiteral("%{time yyyy-MM-ddThh:mm:ss.zzz} %{category} %{type}: %{message}"));
  if (isVerbose()) {
    // Log to stderr even where Qt would hand messages to the journal; rules given in
    // QT_LOGGING_RULES are applied after these, so they still win.
    qputenv("QT_FORCE_STDERR_LOGGING", "1");
    QLoggingCategory::setFilterRules(QStringLiteral("vexmora.*.info=true"));
  }
  return std::nullopt;
}
