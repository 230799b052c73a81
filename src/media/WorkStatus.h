#pragma once

// How a long piece of work ended, the same for every export: done, cancelled by the user (a
// progress callback returned false, or a signal came), or failed (the user has been told why).
enum class WorkStatus { Done, Cancelled, Failed };
