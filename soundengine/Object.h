// Roots of the library's class tree.
#pragma once

namespace morwick {

class CObject {
  public:
    virtual ~CObject() = default;
};

class CNonCopyable : public virtual CObject {
  public:
    CNonCopyable() = default;
    CNonCopyable(const CNonCopyable&) = delete;
    CNonCopyable& operator=(const CNonCopyable&) = delete;
};

class IInterface {
  public:
    virtual ~IInterface() = default;
};

}  // namespace morwick
