#pragma once

// Shows the wait cursor over the whole program for as long as it exists: for requests that run on the
// GUI thread and hold it for their duration.
class WaitCursor {
  public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
