-- Title: Starfield
-- Scatters stars over the sky colour of the bitmap (or the selection):
-- mostly single pixels in three brightnesses, now and then a bright cross.
-- A star that its cell cannot hold beside what is there is left out.
-- Arguments: DENSITY (stars per 1000 pixels, default 12) SKY (colour) SEED

local density = tonumber(arg[1]) or 12
local sky = tonumber(arg[2])
if not sky then
  sky = canvas.mode == "multicolor" and slot("background") or 0
end
math.randomseed(tonumber(arg[3]) or 64)

local area = selection() or canvas.bitmap
local shades = { 1, 15, 12 }
local placed, count = 0, math.floor(area.width * area.height * density / 1000)
local function sky_at(x, y)
  return x >= area.x and y >= area.y and x < area.x + area.width and y < area.y + area.height
    and get(x, y) == sky and (selected(x, y) or not selection())
end
for _ = 1, count do
  local x = math.random(area.x, area.x + area.width - 1)
  local y = math.random(area.y, area.y + area.height - 1)
  if sky_at(x, y) then
    local shade = shades[math.random(#shades)]
    if math.random() < 0.05 then
      -- A bright star: a small cross around a white centre.
      for _, d in ipairs({ { -1, 0 }, { 1, 0 }, { 0, -1 }, { 0, 1 } }) do
        local nx, ny = x + d[1], y + d[2]
        if sky_at(nx, ny) and fits(nx, ny, 12) then set(nx, ny, 12) end
      end
      shade = 1
    end
    if fits(x, y, shade) and set(x, y, shade) then placed = placed + 1 end
  end
end
print(placed .. " stars")
