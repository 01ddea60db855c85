#pragma once

#include "ui/program/program.h"

#include <utility>

// Sets the combo-box guard for a scope: bouquet commands refill the bouquet
// grid themselves.
class ComboUpdating
{
public:
    explicit ComboUpdating(TProgram &program) : m_program(program)
    {
        m_was = std::exchange(m_program.ComboBouquetsUpdating, true);
    }
    ~ComboUpdating() { m_program.ComboBouquetsUpdating = m_was; }

private:
    TProgram &m_program;
    bool m_was;
};
