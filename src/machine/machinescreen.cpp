#include "machine/machine.h"
#include "machine/machinestate.h"

// What the program shows on the monitor: now, between runs, and lately,
// from any thread while a run goes on.

ScreenPicture Machine::screenPicture() const
{
    return ::screenPicture(s_->cpu.memory(), s_->video);
}

ScreenPicture Machine::recentScreen() const
{
    std::lock_guard guard(screenLock_);
    return recent_;
}

void Machine::publishScreen()
{
    const auto time = std::chrono::steady_clock::now();
    if (time - recentAt_ < std::chrono::milliseconds(100))
        return;
    recentAt_ = time;
    ScreenPicture picture = screenPicture();
    std::lock_guard guard(screenLock_);
    recent_ = std::move(picture);
}

quint16 Machine::screenCell(int row, int column) const
{
    return s_->screen.cell(row, column);
}

int Machine::cursorRow() const
{
    return s_->screen.row();
}

int Machine::cursorColumn() const
{
    return s_->screen.column();
}
