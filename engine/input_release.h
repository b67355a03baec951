#pragma once
// Told once during a run that the engine reads the caller's pixels no more,
// so that a caller holding them only for the run can give their memory back
// to the run's later stages. Called from the thread that called the engine.
class InputRelease {
 public:
  virtual void input_done() = 0;

 protected:
  ~InputRelease() = default;
};
