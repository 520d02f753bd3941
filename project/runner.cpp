// Parallel analysis of units (see runner.h).
#include "project/runner.h"

#include "project/command.h"
#include "project/console.h"
#include "project/merge.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTimer>

#include <functional>
#include <memory>

static QString toolStamp(const QString &path, FileStamps &stamps) { return path + '=' + stamps.stamp(path); }

QVector<UnitRun> planUnits(const QVector<Unit> &units, const QString &workRoot, const QString &root,
                           const ToolSetup &tools, FileStamps &stamps)
{
    const QString toolsPart = toolStamp(tools.tarsk1, stamps) + '\n' +
                              toolStamp(tools.target + QStringLiteral("/ana/mvct.def"), stamps) + '\n' + tools.install;
    QVector<UnitRun> runs;
    runs.reserve(units.size());
    for (const Unit &u : units) {
        UnitRun r;
        r.unit = &u;
        r.shownName = QDir(root).relativeFilePath(u.file);
        r.folder = workRoot + QStringLiteral("/units/") + u.id;
        r.preprocess = command::preprocessCommand(u.arguments, unitfiles::preprocessed(r.folder),
                                                  unitfiles::dependencies(r.folder));
        r.fingerprint = fingerprintOf(QStringList{u.directory, toolsPart} + r.preprocess);
        r.reused = unitUpToDate(r.folder, r.fingerprint, stamps, r.state);
        runs.append(r);
    }
    return runs;
}

namespace {

QString firstLine(const QString &text)
{
    for (const QString &line : text.split('\n'))
        if (!line.trimmed().isEmpty()) return line.trimmed();
    return QString();
}

// One unit on its way through its two processes.
class UnitJob {
public:
    UnitJob(UnitRun &run, const ToolSetup &tools, const QProcessEnvironment &toolEnvironment, FileStamps &stamps,
            DocumentCache &documents, std::function<void()> done)
        : run_(run), tools_(tools), toolEnvironment_(toolEnvironment), stamps_(stamps), documents_(documents),
          done_(std::move(done))
    {}

    void start()
    {
        QProcess *p = newProcess();
        connectFinish(p, [this]() { preprocessed(); });
        clock_.start();
        p->start(run_.preprocess.first(), run_.preprocess.mid(1));
        // The preprocessor writes beside the unit's folder, which is made
        // ready while it runs rather than in the gap between two units.
        folderReady();
    }

private:
    // The unit's folder without anything of its last analysis, its state
    // first (a run stopped now must not leave a state that vouches for
    // removed files). Emptied rather than made anew: creating folders is
    // the slowest part of the tool's own work on some file systems. Done
    // once; false when the folder cannot be made.
    bool folderReady()
    {
        if (folderChecked_) return folderOk_;
        folderChecked_ = true;
        QDir folder(run_.folder);
        if (!folder.exists()) return folderOk_ = QDir().mkpath(run_.folder);
        QFile::remove(unitStateFile(run_.folder));
        for (const QString &name : folder.entryList(QDir::Files | QDir::Hidden)) folder.remove(name);
        return folderOk_ = true;
    }

    QProcess *newProcess()
    {
        // The previous process may be the one whose signal is running now.
        if (process_) process_.release()->deleteLater();
        process_.reset(new QProcess);
        process_->setWorkingDirectory(run_.unit->directory);
        process_->setProcessChannelMode(QProcess::MergedChannels);
        // A command that reads its standard input meets its end at once.
        process_->setStandardInputFile(QProcess::nullDevice());
        return process_.get();
    }

    // Calls next when the process ended with code 0, and fails the unit
    // otherwise.
    template <typename Next>
    void connectFinish(QProcess *p, Next next)
    {
        QObject::connect(p, &QProcess::errorOccurred, [this, p](QProcess::ProcessError error) {
            if (error == QProcess::FailedToStart)
                fail(QStringLiteral("cannot run %1: %2").arg(p->program(), p->errorString()));
        });
        // A process that does not end in time is killed and fails the unit.
        auto *limit = new QTimer(p);
        limit->setSingleShot(true);
        QObject::connect(limit, &QTimer::timeout, [this, p]() {
            timedOut_ = true;
            p->kill();
        });
        QObject::connect(p, &QProcess::started, [limit, this]() { limit->start(tools_.unitSeconds * 1000); });
        QObject::connect(p, &QProcess::finished, [this, p, next](int code, QProcess::ExitStatus status) {
            const QString output = QString::fromLocal8Bit(p->readAll());
            messages_ += output;
            if (timedOut_)
                fail(QStringLiteral("%1 did not end within %2 s")
                         .arg(QFileInfo(p->program()).fileName())
                         .arg(tools_.unitSeconds));
            else if (status != QProcess::NormalExit)
                fail(QStringLiteral("%1 crashed").arg(QFileInfo(p->program()).fileName()));
            else if (code != 0)
                fail(
                    firstLine(output).isEmpty()
                        ? QStringLiteral("%1 ended with exit code %2").arg(QFileInfo(p->program()).fileName()).arg(code)
                        : firstLine(output));
            else next();
        });
    }

    // The time of the process that just ended, kept to the nanosecond: in
    // whole milliseconds each process would lose half of one on average.
    void recordTime()
    {
        const qint64 ns = clock_.nsecsElapsed();
        if (analysing_) run_.toolNs = ns - run_.preprocessNs;
        else run_.preprocessNs = ns;
    }

    void preprocessed()
    {
        recordTime();
        analysing_ = true;
        if (!folderReady()) {
            finish(false, QStringLiteral("cannot create the work folder %1").arg(run_.folder));
            return;
        }
        QProcess *p = newProcess();
        p->setProcessEnvironment(toolEnvironment_);
        connectFinish(p, [this]() { analysed(); });
        p->start(tools_.tarsk1, {unitfiles::preprocessed(run_.folder), QStringLiteral("-METRICS=") + run_.folder,
                                 QStringLiteral("-VANTEL_LOG=") + unitfiles::log(run_.folder)});
    }

    void analysed()
    {
        recordTime();
        finish(true, QString());
    }

    void fail(const QString &first)
    {
        if (finished_) return;
        recordTime();
        finish(false, first);
    }

    void finish(bool ok, const QString &first)
    {
        finished_ = true;
        run_.state.ok = ok;
        run_.state.firstMessage = first;
        run_.state.fingerprint = run_.fingerprint;
        // The slot is free: the next unit's processes start now, and this
        // unit's bookkeeping runs while they work.
        done_();
        QFile::remove(unitfiles::preprocessed(run_.folder));
        if (ok)
            run_.state.dependencies = readDependencyFile(unitfiles::dependencies(run_.folder), run_.unit->directory);
        QFile::remove(unitfiles::dependencies(run_.folder));
        if (folderReady()) {
            QFile messages(unitfiles::messages(run_.folder));
            if (!messages_.isEmpty() && messages.open(QIODevice::WriteOnly)) messages.write(messages_.toLocal8Bit());
            // Read now, beside the next unit's processes, not all at the end;
            // documents that cannot be read are read again by the merge, which
            // names the problem.
            QString unused;
            run_.documentsRead = ok && readUnitDocuments(run_.folder, documents_, run_.documents, unused);
            writeUnitState(run_.folder, run_.state, stamps_);
        }
        // The process may still be delivering this signal: release it later.
        if (process_) process_.release()->deleteLater();
    }

    UnitRun &run_;
    const ToolSetup &tools_;
    const QProcessEnvironment &toolEnvironment_;
    FileStamps &stamps_;
    DocumentCache &documents_;
    std::function<void()> done_;
    std::unique_ptr<QProcess> process_;
    QElapsedTimer clock_;
    QString messages_;
    bool finished_ = false;
    bool timedOut_ = false;
    bool analysing_ = false;  // tarsk1 runs, the preprocessor has ended
    bool folderChecked_ = false;
    bool folderOk_ = false;
};

}  // namespace

void runUnits(QVector<UnitRun> &runs, const ToolSetup &tools, int jobs, FileStamps &stamps, DocumentCache &documents)
{
    QVector<int> pending;
    for (int i = runs.size() - 1; i >= 0; --i)
        if (!runs[i].reused) pending.append(i);
    const int total = pending.size();
    if (total == 0) return;
    int running = 0, done = 0;
    QProcessEnvironment toolEnvironment = QProcessEnvironment::systemEnvironment();
    toolEnvironment.insert(QStringLiteral("CORVELDIR"), tools.install);
    toolEnvironment.insert(QStringLiteral("MVRTGT"), tools.target);
    QEventLoop loop;
    std::vector<std::unique_ptr<UnitJob>> jobsHeld;
    bool starting = false;
    std::function<void()> startMore = [&]() {
        starting = true;
        while (running < jobs && !pending.isEmpty()) {
            UnitRun &run = runs[pending.takeLast()];
            ++running;
            console::progress(done, total, run.shownName);
            jobsHeld.push_back(
                std::make_unique<UnitJob>(run, tools, toolEnvironment, stamps, documents, [&, name = run.shownName]() {
                    --running;
                    ++done;
                    console::progress(done, total, name);
                    if (done == total) loop.quit();
                    // A unit that fails as it starts queues the next one, so that
                    // such failures do not nest calls; otherwise it starts at once.
                    else if (starting) QTimer::singleShot(0, &loop, startMore);
                    else startMore();
                }));
            jobsHeld.back()->start();
        }
        starting = false;
    };
    startMore();
    if (done < total) loop.exec();
    console::endProgress();
}
