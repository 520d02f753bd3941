// The second thread of the Halstead passes and its queue. The thread runs
// one pass at a time, in the order they were started, with its messages
// held; the main thread gives them out when it takes the pass's outcome.
#include "metrics/passahead.h"

#include "support/machine.h"
#include "support/platform.h"

#include <malloc.h>
#include <pthread.h>
#include <signal.h>

#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

struct PassAhead {
    std::string path;
    std::string hostFile;
    HalsteadCounts counts{};
    HeldMessages held;
    FileStamp stamp;  // of the host file, taken before the pass read it
    bool done = false;
    bool ran = false;      // done without running: the thread was stopped first
    bool dropped = false;  // freed by the thread once done
};

namespace {

struct PassThread {
    std::thread thread;
    std::mutex lock;
    std::condition_variable changed;
    std::deque<PassAhead *> queue;
    bool stopping = false;
};
PassThread passThread;

// Runs the pass with its messages held. An exit stops it where it struck;
// running out of memory, or any other exception, is ended as the main
// thread would end it.
void runHeld(PassAhead &pass)
{
    pass.stamp = stampOf(pass.hostFile.c_str());
    holdMessages(&pass.held);
    try {
        try {
            runHalsteadPass(pass.path.c_str(), pass.hostFile.c_str(), &pass.counts);
        } catch (const std::bad_alloc &) {
            reportNoMemory();
        } catch (const HeldEnd &) {
            throw;
        } catch (...) {
            reportInternal(translateText("Internal Error", "Please, contact your support"));
        }
    } catch (const HeldEnd &) {
        abandonHalsteadPass();
    }
    holdMessages(nullptr);
}

void serveQueue()
{
    PassThread &t = passThread;
    std::unique_lock<std::mutex> guard(t.lock);
    for (;;) {
        t.changed.wait(guard, [&t] { return t.stopping || !t.queue.empty(); });
        if (t.queue.empty()) return;
        PassAhead *pass = t.queue.front();
        t.queue.pop_front();
        guard.unlock();
        runHeld(*pass);
        guard.lock();
        pass->done = true;
        pass->ran = true;
        if (pass->dropped) delete pass;
        t.changed.notify_all();
    }
}

// The thread takes no signal that comes from outside: those reach the main
// thread, whose own blocking decides when they strike (the writer's moves
// must not be cut in two). Nor does it get a memory arena of its own, which
// would reserve far more address space than the pass needs.
void startThread()
{
    PassThread &t = passThread;
    t.stopping = false;
    mallopt(M_ARENA_MAX, 1);
    sigset_t all, previous;
    sigfillset(&all);
    for (int fault : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGSYS}) sigdelset(&all, fault);
    pthread_sigmask(SIG_BLOCK, &all, &previous);
    try {
        t.thread = std::thread(serveQueue);
    } catch (const std::system_error &) {
        // The host lacks the memory for a thread's stack and records.
        reportNoMemory();
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

void queuePass(PassAhead *pass)
{
    pass->done = pass->ran = false;
    pass->held = HeldMessages();
    messageCounts(pass->held.errorsBefore, pass->held.warningsBefore);
    std::lock_guard<std::mutex> guard(passThread.lock);
    passThread.queue.push_back(pass);
    passThread.changed.notify_all();
}

void awaitPass(PassAhead *pass)
{
    std::unique_lock<std::mutex> guard(passThread.lock);
    passThread.changed.wait(guard, [pass] { return pass->done; });
}

}  // namespace

PassAhead *startPassAhead(const char *path, const std::string &hostFile)
{
    auto *pass = new PassAhead;
    pass->path = path;
    pass->hostFile = hostFile;
    PassThread &t = passThread;
    if (!t.thread.joinable()) {
        startThread();
        // An exit must not run the process's clean-up under a pass; nor may
        // the end of main leave the thread to the destructors.
        setBeforeProgramEnd(stopPassesAhead);
        static const bool stopsAtExit = std::atexit(stopPassesAhead) == 0;
        if (!stopsAtExit) reportInternal(QStringLiteral("Cannot register the end of the Halstead thread"));
    }
    queuePass(pass);
    return pass;
}

const std::string &passHostFile(const PassAhead *pass) { return pass->hostFile; }

HalsteadCounts finishPassAhead(PassAhead *pass, bool *quiet)
{
    awaitPass(pass);
    // A file changed or removed since the pass read it is read again: the
    // outcome is the one of a pass that starts now.
    if (pass->ran && pass->stamp != stampOf(pass->hostFile.c_str())) {
        queuePass(pass);
        awaitPass(pass);
    }
    if (!pass->ran) reportInternal(QStringLiteral("Halstead pass taken after its thread was stopped"));
    const HalsteadCounts counts = pass->counts;
    const HeldMessages held = std::move(pass->held);
    delete pass;
    *quiet = held.errors == 0 && held.warnings == 0;
    giveOutMessages(held);
    return counts;
}

void dropPassAhead(PassAhead *pass)
{
    std::lock_guard<std::mutex> guard(passThread.lock);
    std::deque<PassAhead *> &queue = passThread.queue;
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (*it != pass) continue;
        queue.erase(it);
        delete pass;
        return;
    }
    if (pass->done) delete pass;
    else pass->dropped = true;
}

void stopPassesAhead()
{
    PassThread &t = passThread;
    if (!t.thread.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(t.lock);
        // Their owners can only drop them now.
        for (PassAhead *pass : t.queue) pass->done = true;
        t.queue.clear();
        t.stopping = true;
        t.changed.notify_all();
    }
    t.thread.join();
}
