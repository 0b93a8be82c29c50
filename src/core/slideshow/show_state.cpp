#include "core/slideshow/show_state.h"

namespace framory::core {

void Dismissal::reset()
{
    *this = Dismissal{};
}

void Dismissal::request()
{
    m_dismiss_request = true;
}

void Dismissal::count_move(double now)
{
    ++m_move_count;
    if (m_move_count > kMovesTolerated) {
        m_dismiss_request = true;
        return;
    }
    // Shortly after midnight the clock is smaller than a window end set
    // before it: no new window opens, and the moves add up until they end
    // the show.
    if (now > static_cast<double>(m_move_window_end)) {
        m_move_count = 0;
        m_move_window_end = NearestWhole(now + kMoveWindowSeconds);
    }
}

bool Dismissal::decision_due() const
{
    return m_dismiss_request && m_prompt_state == PromptState::Closed;
}

void Dismissal::allow_exit()
{
    m_exit_now = true;
}

void Dismissal::open_prompt()
{
    m_prompt_state = PromptState::Open;
}

void Dismissal::password_accepted()
{
    m_prompt_state = PromptState::Closed;
    m_exit_now = true;
}

void Dismissal::prompt_given_up()
{
    m_prompt_state = PromptState::Closed;
    m_dismiss_request = false;
    m_move_count = 0;
    m_move_window_end = 0;
}

void Dismissal::prompt_closed()
{
    m_prompt_state = PromptState::Closed;
}

} // namespace framory::core
