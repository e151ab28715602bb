-- Title: Colour Usage Report
-- Lists the char cells and sprite units that use every colour they may
-- (one more colour there would clash), and any clashing units, without
-- changing the picture.

local seen, atLimit, total = {}, {}, 0
for y = 0, canvas.height - 1 do
  local x = 0
  while x < canvas.width do
    local u = unit(x, y)
    if u then
      local key = u.x .. "," .. u.y
      if not seen[key] then
        seen[key] = true
        total = total + 1
        if u.free >= u.limit then
          atLimit[#atLimit + 1] = u
        end
      end
      x = u.x + u.width
    else
      x = x + 1
    end
  end
end
print(string.format("%d of %d units use all their colours", #atLimit, total))
for _, u in ipairs(atLimit) do
  print(string.format("%s %s at %d,%d: colours %s", u.region, u.kind, u.x, u.y,
    table.concat(u.colors, " ")))
end
local bad = clashes()
print(#bad == 0 and "No clashes" or (#bad .. " units clash"))
for _, border in ipairs({ "top", "bottom" }) do
  local used, over = budget(border)
  if used then
    print(string.format("%s border: %d of 8 sprites, %d over", border, used, #over))
  end
end
