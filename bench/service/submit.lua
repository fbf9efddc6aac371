-- wrk script: every request is a successful submission for one of the bench accounts
-- (benchN / bench-password-N). Requests walk through the accounts so that parallel
-- connections seldom queue on the same account.
local accounts = tonumber(os.getenv("BENCH_ACCOUNTS") or "32")
local threads_made = 0

function setup(thread)
  thread:set("offset", threads_made * 7)
  threads_made = threads_made + 1
end

local counter = 0

function request()
  counter = counter + 1
  local n = (offset + counter) % accounts
  return wrk.format("GET", "/api/mi?user=bench" .. n .. "&password=bench-password-" .. n ..
                    "&step=" .. (counter % 98801))
end
