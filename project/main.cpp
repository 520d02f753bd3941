// tarsk1-project: metrics of a whole C project from its compilation
// database. Reads the command line and runs the analysis or the merge.
#include "project/console.h"
#include "project/project.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QThread>

#include <algorithm>

namespace {

const char kExitCodes[] = "Exit codes:\n"
                          "  0  every unit analysed, no limit exceeded\n"
                          "  1  a limit exceeded (a new or worse breach, with --baseline)\n"
                          "  2  a unit could not be analysed (listed at the end)\n"
                          "  3  the tool could not run (bad option, unreadable database, missing tarsk1)\n";

const char kUsage[] = "  tarsk1-project -p BUILD [options]\n"
                      "  tarsk1-project merge OUT DIR... [options]\n\n"
                      "Analyses every C unit of a compilation database (BUILD/compile_commands.json or the\n"
                      "file itself) with tarsk1 and merges the results into one metrics folder, as one\n"
                      "tarsk1 run over all units would write it. 'merge' combines the metrics folders of\n"
                      "several --shard runs into OUT.\n";

struct Parsed {
    Options options;
    QStringList mergeDirs;
    bool merge = false;
};

bool readCount(const QCommandLineParser &p, const QString &name, int &value, QString &problem)
{
    if (!p.isSet(name)) return true;
    bool ok = false;
    value = p.value(name).toInt(&ok);
    if (ok && value >= 0) return true;
    problem = QStringLiteral("--%1 needs a number, not '%2'").arg(name, p.value(name));
    return false;
}

bool readShard(const QString &text, Options &o, QString &problem)
{
    const QStringList parts = text.split('/');
    bool okK = false, okN = false;
    if (parts.size() == 2) {
        o.shardK = parts[0].toInt(&okK);
        o.shardN = parts[1].toInt(&okN);
    }
    if (okK && okN && o.shardN >= 1 && o.shardK >= 1 && o.shardK <= o.shardN) return true;
    problem = QStringLiteral("--shard needs K/N with 1 <= K <= N, not '%1'").arg(text);
    return false;
}

void addOptions(QCommandLineParser &p)
{
    p.setApplicationDescription(QString::fromLatin1(kUsage));
    p.addHelpOption();
    p.addOption({"version", "Show the version."});
    p.addOptions({
        {{"p", "database"}, "The compilation database: a build folder or the JSON file.", "PATH"},
        {{"j", "jobs"}, "Units analysed at once (default: the number of cores).", "N"},
        {"timeout", "Longest time in seconds the preprocessor or tarsk1 may take on one unit (default 600).", "S"},
        {"target", "The tarsk1 target folder (default: the GCC target shipped beside the program).", "DIR"},
        {"install", "The tarsk1 installation folder (default: the one beside the program).", "DIR"},
        {"out", "The metrics folder (default: tarsk1-metrics).", "DIR"},
        {"root",
         "The project root that paths are shown relative to (default: the deepest folder holding every source).",
         "DIR"},
        {"include",
         "Analyse only sources matching GLOB: without a slash, a folder or file name anywhere in the path (relative to "
         "the root); with one, the path or a leading folder of it.",
         "GLOB"},
        {"exclude", "Leave out sources matching GLOB (read as for --include).", "GLOB"},
        {"shard", "Analyse only shard K of N (a stable share of the units).", "K/N"},
        {"json", "Write the JSON report.", "FILE"},
        {"csv", "Write one CSV row per function.", "FILE"},
        {"sarif", "Write the limit breaches as SARIF 2.1.0.", "FILE"},
        {"html", "Write the HTML report.", "FILE"},
        {"max-vg", "Limit of VG per function.", "N"},
        {"max-statements", "Limit of Statements per function.", "N"},
        {"max-nesting", "Limit of NestedLevel per function.", "N"},
        {"baseline", "A JSON report of an earlier run: only new or worse breaches count.", "FILE"},
        {{"q", "quiet"}, "Only breaches and errors."},
        {{"v", "verbose"}, "Also the messages of each step and the time spent."},
    });
    p.addPositionalArgument("merge", "merge OUT DIR...: combine the metrics folders of shards.", "[merge OUT DIR...]");
}

bool readOptions(const QCommandLineParser &p, Parsed &r, QString &problem)
{
    Options &o = r.options;
    const QString appDir = QCoreApplication::applicationDirPath();
    o.database = p.value("database");
    o.jobs = QThread::idealThreadCount();
    o.target = p.isSet("target") ? p.value("target") : appDir + QStringLiteral("/targets/gcc-glibc");
    o.install = p.isSet("install") ? p.value("install") : appDir + QStringLiteral("/install");
    o.out = p.isSet("out") ? p.value("out") : QStringLiteral("tarsk1-metrics");
    o.root = p.value("root");
    o.includes = p.values("include");
    o.excludes = p.values("exclude");
    o.json = p.value("json");
    o.csv = p.value("csv");
    o.sarif = p.value("sarif");
    o.html = p.value("html");
    o.baseline = p.value("baseline");
    if (!readCount(p, "jobs", o.jobs, problem) || !readCount(p, "max-vg", o.limits.maxVg, problem) ||
        !readCount(p, "max-statements", o.limits.maxStatements, problem) ||
        !readCount(p, "max-nesting", o.limits.maxNesting, problem) || !readCount(p, "timeout", o.unitSeconds, problem))
        return false;
    o.jobs = std::max(o.jobs, 1);
    o.unitSeconds = std::max(o.unitSeconds, 1);
    if (p.isSet("shard") && !readShard(p.value("shard"), o, problem)) return false;
    const QStringList positional = p.positionalArguments();
    r.merge = !positional.isEmpty() && positional.first() == QLatin1String("merge");
    if (r.merge) {
        if (positional.size() < 3) {
            problem = QStringLiteral("merge needs OUT and at least one DIR");
            return false;
        }
        o.out = positional[1];
        r.mergeDirs = positional.mid(2);
        return true;
    }
    if (!positional.isEmpty()) problem = QStringLiteral("unexpected argument '%1'").arg(positional.first());
    else if (o.database.isEmpty()) problem = QStringLiteral("no compilation database: give -p BUILD");
    return problem.isEmpty();
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tarsk1-project"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.0"));
    QCommandLineParser parser;
    addOptions(parser);
    Parsed parsed;
    QString problem;
    if (!parser.parse(app.arguments())) problem = parser.errorText();
    if (parser.isSet("help")) {
        console::out(parser.helpText() + '\n' + QLatin1String(kExitCodes));
        return kClean;
    }
    if (parser.isSet("version")) {
        console::out(QStringLiteral("tarsk1-project 1.0\n"));
        return kClean;
    }
    if (problem.isEmpty()) readOptions(parser, parsed, problem);
    if (!problem.isEmpty()) {
        console::error(problem + QStringLiteral(" (see --help)"));
        return kCannotRun;
    }
    console::setLevel(parser.isSet("quiet")     ? console::Level::Quiet
                      : parser.isSet("verbose") ? console::Level::Verbose
                                                : console::Level::Normal);
    return parsed.merge ? mergeShards(parsed.options, parsed.mergeDirs) : analyseProject(parsed.options);
}
