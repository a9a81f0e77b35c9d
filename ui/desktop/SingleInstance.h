// One window per user at a time: a lock in the user's runtime folder.
#pragma once

namespace korimo::ui {

// True when another process of this user holds the instance lock. The first
// call takes the lock for this process; later calls in the same process
// report false again, so the window can be created more than once.
bool AnotherInstanceRunning();

}  // namespace korimo::ui
