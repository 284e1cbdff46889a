// The soak's client of the plug-in's control endpoint, on 127.0.0.1: whole
// requests, and connections left in the middle of one.
#pragma once
#include <cstdint>
#include <string>

// Winsock for the soak's lifetime.
void StartWinsock();
// Sends `request` on a connection of its own and reads the reply; its
// status, 0 when none came (each request's reply closes nothing but what
// the request asks).
int AskEndpoint(uint16_t port, const std::string& request);
// The same request twice on one connection.
int AskEndpointTwice(uint16_t port, const std::string& request);
// A connection that has sent `partial` and waits; closed by CloseClient.
uintptr_t OpenInFlight(uint16_t port, const std::string& partial);
void CloseClient(uintptr_t client);
