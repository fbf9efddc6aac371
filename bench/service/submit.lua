-- wrk script: every request is a successful submission for one of the bench accounts
-- (benchN / bench-password-N). Each wrk thread walks through its own share of the accounts,
-- so parallel connections seldom queue on the same account.
local accounts = tonumber(os.getenv("BENCH_ACCOUNTS") or "32")
local threads_made = 0

function setup(thread)
  thread:set("thread_number", threads_made)
  threads_made = threads_made + 1
end

local share
local counter = 0

function init(args)
  share = math.floor(accounts / 2)
end

function request()
  counter = counter + 1
  local n = (thread_number % 2) * share + counter % share
  return wrk.format("GET", "/api/mi?user=bench" .. n .. "&password=bench-password-" .. n ..
                    "&step=" .. (counter % 98801))
end
