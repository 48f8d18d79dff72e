// Expected events of the forms' input contract, for the tables of the hosts'
// input conversions, and how a test failure shows them.
#pragma once

#include <ostream>

#include "common/form_input.h"

namespace qx {

inline FormInput MouseInput(FormInput::Kind kind, int button, int shift, float x, float y) {
  FormInput input;
  input.kind = kind;
  input.button = button;
  input.shift = shift;
  input.x = x;
  input.y = y;
  return input;
}

inline FormInput KeyInput(int keyCode, int shift) {
  FormInput input;
  input.kind = FormInput::Kind::kKeyDown;
  input.keyCode = keyCode;
  input.shift = shift;
  return input;
}

inline void PrintTo(const FormInput& input, std::ostream* out) {
  static const char* const kKinds[] = {"mouse down", "mouse up", "mouse move", "key down"};
  *out << kKinds[static_cast<int>(input.kind)] << " button " << input.button << " shift "
       << input.shift << " at " << input.x << "," << input.y << " key " << input.keyCode;
}

}  // namespace qx
