// The program's long-lived forms, in the order the program block creates them.
// The main window comes first; each other form joins the table when it is
// built (Create stays null until then). The program block owns the forms and
// destroys them in the reverse order after its message loop.
#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <string>

#include "app/kestrune_session.h"

namespace kestrune {

struct TFormEntry {
  const char* ClassName;
  std::unique_ptr<QWidget> (*Create)(TKestruneSession& session);  // null: not built yet
};

inline constexpr size_t kApplicationFormCount = 14;

const std::array<TFormEntry, kApplicationFormCount>& ApplicationForms();

}  // namespace kestrune
