// Binding of a control object to a static control of a dialog template.
// The object replaces the control's window procedure and, once per parent
// and class, the parent's; it records itself in window properties named by
// its class tag, so the procedures find it again. Each class supplies its
// tag, its reflected colour message (0 for none) and the hooks it needs;
// the plumbing below is the same for all of them.
#ifndef SETUPVDL_CONTROLS_BINDING_H
#define SETUPVDL_CONTROLS_BINDING_H

#include <windows.h>

template <typename Derived>
class ControlBinding {
 public:
  ControlBinding(const ControlBinding&) = delete;
  ControlBinding& operator=(const ControlBinding&) = delete;

  // False, changing nothing, for a handle that is no window or when bound.
  bool Attach(HWND control);
  // Restores both procedures and removes both properties; windows that are
  // gone by then make the calls fail harmlessly.
  void Detach();

  HWND ControlWindow() const { return control_; }

 protected:
  ControlBinding() = default;
  ~ControlBinding() = default;  // the classes' own destructors are virtual

  // Hooks; a class hides the ones it needs with its own.
  void OnBinding() {}  // control window stored, nothing else done yet
  void OnBound() {}    // procedures and properties in place
  void OnUnbinding() {}
  void OnUnbound() {}
  // True when handled; *result is then the answer.
  bool OnControlMessage(HWND, UINT, WPARAM, LPARAM, LRESULT*) { return false; }
  void OnParentMessage(HWND, UINT) {}

  LRESULT CallPreviousControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcA(prevControlProc_, hwnd, msg, wParam, lParam);
  }

  HWND control_ = nullptr;
  WNDPROC prevControlProc_ = nullptr;
  WNDPROC prevParentProc_ = nullptr;

 private:
  Derived* Self() { return static_cast<Derived*>(this); }
  static LRESULT CALLBACK ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  static LRESULT CALLBACK ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

template <typename Derived>
bool ControlBinding<Derived>::Attach(HWND control) {
  if (!IsWindow(control) || control_ != nullptr) return false;
  control_ = control;
  Self()->OnBinding();
  // Without SS_NOTIFY a static control is transparent to the mouse.
  SetWindowLongPtrA(control, GWL_STYLE, GetWindowLongPtrA(control, GWL_STYLE) | SS_NOTIFY);
  // The properties hold the derived object's address: that is what the
  // procedures cast back.
  SetPropA(control, Derived::kTag, Self());
  prevControlProc_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(control, GWLP_WNDPROC));
  SetWindowLongPtrA(control, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlProc));
  HWND parent = GetParent(control);
  prevParentProc_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(parent, GWLP_WNDPROC));
  // Only the class's first object on this parent wraps the parent.
  if (GetPropA(parent, Derived::kTag) == nullptr) {
    SetPropA(parent, Derived::kTag, Self());
    SetWindowLongPtrA(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ParentProc));
  }
  Self()->OnBound();
  return true;
}

template <typename Derived>
void ControlBinding<Derived>::Detach() {
  if (control_ == nullptr) return;
  Self()->OnUnbinding();
  HWND parent = GetParent(control_);
  if (prevParentProc_ != nullptr) SetWindowLongPtrA(parent, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prevParentProc_));
  if (prevControlProc_ != nullptr) {
    SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(prevControlProc_));
  }
  RemovePropA(parent, Derived::kTag);
  RemovePropA(control_, Derived::kTag);
  control_ = nullptr;
  Self()->OnUnbound();
}

template <typename Derived>
LRESULT CALLBACK ControlBinding<Derived>::ControlProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  Derived* self = static_cast<Derived*>(GetPropA(hwnd, Derived::kTag));
  if (self == nullptr) return 0;
  LRESULT result = 0;
  if (self->OnControlMessage(hwnd, msg, wParam, lParam, &result)) return result;
  return CallWindowProcA(self->prevControlProc_, hwnd, msg, wParam, lParam);
}

template <typename Derived>
LRESULT CALLBACK ControlBinding<Derived>::ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  // The first object of the class bound on this parent.
  Derived* self = static_cast<Derived*>(GetPropA(hwnd, Derived::kTag));
  if (self == nullptr) return 0;
  // Asked of the child's own property, so every bound control of the class
  // is served, not only the first.
  if (Derived::kReflectedColour != 0 && msg == WM_CTLCOLORSTATIC) {
    HWND child = reinterpret_cast<HWND>(lParam);
    if (GetPropA(child, Derived::kTag) != nullptr) return SendMessageA(child, Derived::kReflectedColour, wParam, 0);
  }
  self->OnParentMessage(hwnd, msg);
  return CallWindowProcA(self->prevParentProc_, hwnd, msg, wParam, lParam);
}

#endif
