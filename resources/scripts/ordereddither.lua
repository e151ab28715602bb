-- Title: Ordered Dither Converter
-- Argument: picture
-- Converts a picture into the bitmap with an 8 x 8 ordered dither, written
-- in Lua on the picture reader. Every char cell keeps its most wanted
-- colours (and the shared background on multicolor); each pixel then
-- takes the nearest of those to its dithered colour.
-- Arguments: PICTURE [SPREAD] (dither strength, default 48)

local picture, problem = readPicture(arg[1] or "")
if not picture then error(problem or "no picture given", 0) end
local spread = tonumber(arg[2]) or 48

local bayer = {}
do
  local m = { { 0 } }
  for _ = 1, 3 do
    local n, size = {}, #m
    for y = 1, size * 2 do n[y] = {} end
    for y = 1, size do
      for x = 1, size do
        local v = m[y][x] * 4
        n[y][x], n[y][x + size] = v, v + 2
        n[y + size][x], n[y + size][x + size] = v + 3, v + 1
      end
    end
    m = n
  end
  bayer = m
end

local area = canvas.bitmap
local function wanted(x, y)
  local px = math.floor((x - area.x + 0.5) * picture.width / area.width)
  local py = math.floor((y - area.y + 0.5) * picture.height / area.height)
  local v = picture[py * picture.width + px + 1]
  local d = ((bayer[y % 8 + 1][x % 8 + 1] + 0.5) / 64 - 0.5) * spread
  local r, g, b = (v >> 16) & 255, (v >> 8) & 255, v & 255
  return r + d, g + d, b + d
end

local palette = {}
for c = 0, 15 do palette[c] = { rgb(c) } end
local function nearestOf(r, g, b, list)
  local best, bestDistance = list[1], math.huge
  for _, c in ipairs(list) do
    local p = palette[c]
    local d = (p[1] - r) ^ 2 + (p[2] - g) ^ 2 + (p[3] - b) ^ 2
    if d < bestDistance then best, bestDistance = c, d end
  end
  return best
end

local multicolor = canvas.mode == "multicolor"
local cw, ch = multicolor and 4 or 8, 8
local background = slot("background")
for cy = area.y, area.y + area.height - 1, ch do
  for cx = area.x, area.x + area.width - 1, cw do
    -- Count the colours the cell's pixels want.
    local votes, order = {}, {}
    for y = cy, cy + ch - 1 do
      for x = cx, cx + cw - 1 do
        local c = nearest(wanted(x, y))
        if not (multicolor and c == background) then
          if not votes[c] then votes[c] = 0; order[#order + 1] = c end
          votes[c] = votes[c] + 1
        end
      end
    end
    table.sort(order, function(a, b)
      if votes[a] ~= votes[b] then return votes[a] > votes[b] end
      return a < b
    end)
    local keep = {}
    for i = 1, math.min(#order, multicolor and 3 or 2) do keep[i] = order[i] end
    if multicolor then keep[#keep + 1] = background end
    if #keep == 0 then keep[1] = background end
    -- A filled box in the first colour empties the cell of what was there.
    rect(cx, cy, cx + cw - 1, cy + ch - 1, keep[1], { filled = true, width = 1, texture = 0 })
    for y = cy, cy + ch - 1 do
      for x = cx, cx + cw - 1 do
        local r, g, b = wanted(x, y)
        set(x, y, nearestOf(r, g, b, keep))
      end
    end
  end
end
