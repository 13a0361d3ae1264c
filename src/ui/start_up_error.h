#pragma once
// What a copy says when another one already runs.
namespace nodrel {

inline const char* const StartUpErrorCaption = "Nodrel Start Up Error";
inline const char* const StartUpErrorMessage =
    "Nodrel or Nodrel Lite is already\r\n"
    "running. Only one instance can be\r\n"
    " running at a time.";

// The exit status of a copy that gave way to the running one.
inline constexpr int StartUpErrorStatus = 1;

}  // namespace nodrel
