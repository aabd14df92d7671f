#pragma once

#include <string>

#include "files/WaypointFileUserInterface.h"

// The stages of a conversion job, in the order they run.
enum class Stage {
    ScanTarget,    // the waypoints already in a target appended to (only then)
    ImportSource,  // the source's waypoints into the job's table
    ExportTarget,  // the table into the target
};

// What a message tells the person.
enum class MessageKind {
    Success,  // the job has done its work
    Failure,  // the job could not do it, and why
};

// The answer of the existing-file dialog.
enum class ExistingFileChoice : int {
    None = 0,  // closed without a choice
    Replace = 1,
    Append = 2,
    Abort = 3,
};

// Everything a conversion job reports to the person and asks of them: what
// the files and the import pass report and ask (the base classes), the stages
// as they start and end, the messages, and the question of a target that
// exists when the request leaves it open. The desktop program maps these to
// its window and dialogs, the command-line converter to lines and options, the
// tests to a script.
//
// Threads: CConverter calls every method from its worker thread, never from
// the thread that called Start, and one call at a time; each call returns only
// when it is done (a dialog answered, a control changed). An implementation
// that owns windows on another thread must run the request there and block the
// worker until it completes. While the job object is being destroyed, every
// question must be answered at once (as cancelled), or the destructor waits
// forever.
class CUserInterface : public CWaypointFileUserInterface {
public:
    // A stage begins; the progress that follows counts its waypoints.
    virtual void StageStarted(Stage stage) = 0;
    // A stage has handled all its waypoints.
    virtual void StageEnded(Stage stage) = 0;
    // Last of all, whether the job succeeded or not.
    virtual void JobEnded(bool bSucceeded) = 0;

    // A message with a single OK button; returns when it is dismissed.
    virtual void ShowMessage(MessageKind kind, const std::string& text) = 0;
    // A target exists and the request leaves open what to do with it:
    // Replace, Append, or Abort/None to end the job.
    virtual ExistingFileChoice AskExistingFile(const std::string& path) = 0;
};
