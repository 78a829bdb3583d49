#pragma once

#include "devservice/FaultTable.h"

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

// What a fault does to an answer of the reference service.
class FaultAnswer {
  public:
    // Ends the connection that carries `req` without an answer.
    static void DropConnection(const httplib::Request& req);
    // The body faults: other bytes, a zero byte, padding, a truncated body.
    static void ApplyToBody(const FaultTable::Fault& fault, httplib::Response& res);
};
